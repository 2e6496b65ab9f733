#include "core/run_error.h"

#include "core/host_file.h"

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

std::string causeOf(std::string_view path, const std::error_code& error) {
    if (!error) {
        return "unknown error";
    }
    return error.category() == std::system_category() ? hostCause(path, error) : error.message();
}

RunError fileError(std::string_view what, std::string_view path, const std::error_code& error) {
    return fileError(what, path, causeOf(path, error));
}

RunError fileError(std::string_view what, std::string_view path, const HostFailure& failure) {
    if (failure.refusal.empty()) {
        return fileError(what, path, failure.code);
    }
    if (failure.at.empty() || failure.at == path) {
        return fileError(what, path, failure.refusal);
    }
    return fileError(what, path, "leads to '" + failure.at + "', which " + failure.refusal);
}

} // namespace courseeval
