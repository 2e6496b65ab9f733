#include "run/interactive_input.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace courseeval {

bool standardInputIsInteractive() {
#ifdef _WIN32
    // Only a console has a console mode; the NUL device, which _isatty also reports, has none.
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
#else
    return isatty(STDIN_FILENO) == 1;
#endif
}

} // namespace courseeval
