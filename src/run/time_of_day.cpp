#include "run/time_of_day.h"

#include <ctime>

namespace courseeval {

std::uint32_t secondsSinceMidnight() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    if (localtime_s(&local, &now) != 0) {
        return 0;
    }
#else
    if (localtime_r(&now, &local) == nullptr) {
        return 0;
    }
#endif
    return static_cast<std::uint32_t>(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec);
}

} // namespace courseeval
