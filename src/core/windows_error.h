#pragma once
// The messages of Windows errors, for the Windows halves of the host files.

#include "core/run_error.h"

#include <string>
#include <string_view>

namespace courseeval {

// The system's own message for a Windows error code (GetLastError), without its final full stop.
std::string windowsErrorText(unsigned long error);
// The same as fileError with the cause taken from a Windows error code.
RunError windowsFileError(std::string_view what, std::string_view path, unsigned long error);

} // namespace courseeval
