#include "core/file_error.h"

#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

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

RunError fileError(std::string_view what, std::string_view path, int error) {
    return fileError(what, path, error != 0 ? std::strerror(error) : "unknown error");
}

#ifdef _WIN32
std::string windowsErrorText(unsigned long error) {
    char text[512] = {};
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                                  0, text, sizeof text, nullptr);
    // System messages end in a full stop and CR LF.
    while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == '.')) {
        --length;
    }
    if (length == 0) {
        return "Windows error " + std::to_string(error);
    }
    return {text, length};
}

RunError windowsFileError(std::string_view what, std::string_view path, unsigned long error) {
    return fileError(what, path, windowsErrorText(error));
}
#endif

} // namespace courseeval
