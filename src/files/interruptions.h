#pragma once
// The new file that an interruption of the program (Ctrl+C, SIGTERM or SIGHUP; on Windows Ctrl+C or the
// console closed) removes before the program ends as the interruption asks, so that a run ended so leaves
// no unfinished file behind. One body per host (interruptions_posix.cpp, interruptions_windows.cpp).

#include "files/host.h"

#include <string_view>

namespace courseeval {

// Registers the file `name` of `folder`, whose status is `status`, for removal on interruption until
// keepOnInterruption(); whatever stands at the name by then is removed only when it is that file. A message
// about it names it `shown`. `folder` must stay open meanwhile. One file at a time.
void removeOnInterruption(const Handle& folder, std::string_view name, const FileStatus& status,
                          std::string_view shown);
// No file is removed on interruption any more (it was kept, or is gone), and the program's own handling of
// interruptions is back.
void keepOnInterruption() noexcept;

// Holds interruptions back for as long as it lives, so that a step that must not be cut in two (a file
// registered as it is created, a replacement and its cleaning up) ends first; a held interruption takes
// effect when the last such object goes. Nothing on Windows, where an interruption runs beside the program
// rather than inside it.
class InterruptionsHeld {
public:
    InterruptionsHeld();
    InterruptionsHeld(const InterruptionsHeld&) = delete;
    InterruptionsHeld& operator=(const InterruptionsHeld&) = delete;
    ~InterruptionsHeld();
};

} // namespace courseeval
