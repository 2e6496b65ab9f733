#include "run/host_process.h"

#include <ctime>
#include <unistd.h>

namespace courseeval {

std::vector<std::string> programArguments(int count, char** given) {
    return {given + 1, given + count};
}

bool standardInputIsInteractive() {
    return isatty(STDIN_FILENO) == 1;
}

bool localTimeNow(std::tm& local) {
    const std::time_t now = std::time(nullptr);
    return localtime_r(&now, &local) != nullptr;
}

const char* const moreHelpLine = "More in the manual: man course-eval\n";

} // namespace courseeval
