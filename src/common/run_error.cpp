#include "common/run_error.h"

namespace courseeval {

RunError fileError(std::string_view what, std::string_view path, std::string_view cause) {
    std::string message(what);
    message += " '";
    for (const char c : path) {
        if (c == '\0') {
            message += "\\0";
        } else {
            message += c;
        }
    }
    message += "': ";
    message += cause;
    return RunError(message);
}

RunError fileLineError(std::string_view path, int line, std::string_view what) {
    return RunError(std::string(path).append(":").append(std::to_string(line)).append(": ").append(what));
}

} // namespace courseeval
