#pragma once

#include "core/run_error.h"

#include <string>
#include <string_view>

namespace courseeval {

// The error of a failed operation on a file: "<what> '<path>': <cause>", e.g.
// "cannot create 'data/enumerateFields.txt': No space left on device". A NUL byte in the path is shown
// as \0, so that the message names the whole path the user gave.
RunError fileError(std::string_view what, std::string_view path, std::string_view cause);

// The same with the cause taken from the C library's error number (0: "unknown error").
RunError fileError(std::string_view what, std::string_view path, int error);

#ifdef _WIN32
// The same with the cause taken from a Windows error code (GetLastError).
RunError windowsFileError(std::string_view what, std::string_view path, unsigned long error);
#endif

} // namespace courseeval
