// The Windows host's words for its errors.
#include "core/host_text.h"
#include "core/run_error.h"

#include <algorithm>
#include <windows.h>

namespace courseeval {

namespace {

// What most likely stands behind `error` on the file `path`, in the user's terms; empty text when the
// system's message says all.
std::string likelyCause(std::string_view path, unsigned long error) {
    switch (error) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return "the file is open in another program";
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_NETNAME_DELETED:
    case ERROR_UNEXP_NET_ERR:
    case ERROR_NETWORK_UNREACHABLE:
    case ERROR_HOST_UNREACHABLE:
        return "the server cannot be reached";
    case ERROR_INVALID_NAME:
    case ERROR_DIRECTORY:
        // A path pasted with Explorer's "Copy as path" comes in quotes, which no file name holds.
        return path.find('"') != std::string_view::npos ? "the folder name is in quotes; give it without them"
                                                        : std::string();
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
        if (path.size() >= 2 && path[1] == ':') {
            const wchar_t root[] = {static_cast<wchar_t>(path[0]), L':', L'\\', L'\0'};
            if (GetDriveTypeW(root) == DRIVE_NO_ROOT_DIR) {
                return "drive " + std::string(path.substr(0, 2)) + " is not connected";
            }
        }
        return "the folder does not exist";
    default:
        return {};
    }
}

// The system's own message for a Windows error code (GetLastError), without its final full stop.
std::string windowsErrorText(unsigned long error) {
    wchar_t* text = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                                      FORMAT_MESSAGE_ALLOCATE_BUFFER,
                                  nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    // System messages end in a full stop and CR LF.
    while (length > 0 &&
           (text[length - 1] == L'\r' || text[length - 1] == L'\n' || text[length - 1] == L'.')) {
        --length;
    }
    std::string message;
    // A message beyond the basic plane, which no system message needs, is given by its number: so no lone
    // half of a surrogate pair reaches the conversion.
    const std::wstring_view wide(text == nullptr ? L"" : text, length);
    if (std::none_of(wide.begin(), wide.end(), [](wchar_t c) { return c >= 0xD800 && c <= 0xDFFF; })) {
        message = textFromWide(wide);
    }
    LocalFree(text);
    return message.empty() ? "Windows error " + std::to_string(error) : message;
}

} // namespace

std::string hostCause(std::string_view path, const std::error_code& error) {
    const auto code = static_cast<unsigned long>(error.value());
    std::string cause = windowsErrorText(code);
    if (const std::string likely = likelyCause(path, code); !likely.empty()) {
        cause.append(" (").append(likely).append(")");
    }
    return cause;
}

} // namespace courseeval
