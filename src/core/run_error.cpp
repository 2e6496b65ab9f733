#include "core/run_error.h"

#include <cstring>

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

RunError replacedButError(std::string_view path, std::string_view failure) {
    return RunError(std::string("'").append(path).append("' was replaced, but ").append(failure));
}

RunError fileLineError(std::string_view path, int line, std::string_view what) {
    return RunError(std::string(path).append(":").append(std::to_string(line)).append(": ").append(what));
}

RunError fileError(std::string_view what, std::string_view path, int error) {
    return fileError(what, path, error != 0 ? std::strerror(error) : "unknown error");
}

} // namespace courseeval
