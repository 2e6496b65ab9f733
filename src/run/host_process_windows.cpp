#include "common/host_text.h"
#include "run/host_process.h"

#include <ctime>
#include <windows.h>
// After windows.h, whose declarations it needs.
#include <shellapi.h>

namespace courseeval {

std::vector<std::string> programArguments(int /*count*/, char** /*given*/) {
    std::vector<std::string> arguments;
    int wideCount = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &wideCount);
    for (int index = 1; wide != nullptr && index < wideCount; ++index) {
        arguments.push_back(textFromWide(wide[index]));
    }
    LocalFree(static_cast<void*>(wide));
    return arguments;
}

bool standardInputIsInteractive() {
    // Only a console has a console mode; the NUL device, which _isatty also reports, has none.
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

bool localTimeNow(std::tm& local) {
    const std::time_t now = std::time(nullptr);
    return localtime_s(&local, &now) == 0;
}

const char* const moreHelpLine = "More in README.txt beside the program.\n";

} // namespace courseeval
