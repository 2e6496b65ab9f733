// Interruptions on Windows: Ctrl+C and the closing of the console run a handler on a thread of their own,
// beside the program, which removes the registered file before the program ends.
#include "files/interruptions.h"

#include <mutex>
#include <string>
#include <windows.h>

namespace courseeval {

namespace {

// The file that an interruption removes: its folder, its name there, and which file it is.
struct PendingFile {
    const Handle* folder = nullptr;
    std::string name;
    FileStatus status;
};
std::mutex pendingMutex;
PendingFile pending;

BOOL WINAPI removePending(DWORD /*event*/) {
    const std::lock_guard<std::mutex> held(pendingMutex);
    if (pending.folder != nullptr) {
        if (const ErrorOr<FileStatus> standing = host::statusAt(*pending.folder, pending.name);
            standing && standing->sameFileAs(pending.status)) {
            host::remove(*pending.folder, pending.name);
        }
    }
    return FALSE; // and the default handling ends the program
}

} // namespace

InterruptionsHeld::InterruptionsHeld() = default;
InterruptionsHeld::~InterruptionsHeld() = default;

void removeOnInterruption(const Handle& folder, std::string_view name, const FileStatus& status,
                          std::string_view /*shown*/) {
    const std::lock_guard<std::mutex> held(pendingMutex);
    pending = {&folder, std::string(name), status};
    SetConsoleCtrlHandler(removePending, TRUE);
}

void keepOnInterruption() noexcept {
    SetConsoleCtrlHandler(removePending, FALSE);
    const std::lock_guard<std::mutex> held(pendingMutex);
    pending.folder = nullptr;
}

} // namespace courseeval
