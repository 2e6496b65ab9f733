#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace courseeval {

// What the program asks the host about its own process, one half per host (host_process_posix.cpp,
// host_process_windows.cpp).

// The arguments after the program's name, as text: `given` on POSIX systems; on Windows the command line
// read in UTF-16 and made UTF-8, whatever the code page (`count` and `given` are then not used).
std::vector<std::string> programArguments(int count, char** given);

// Whether standard input is a person at a terminal (on Windows: a console) rather than a pipe, a file
// or a device.
bool standardInputIsInteractive();

// The local time now, broken down; false when the host cannot tell it.
bool localTimeNow(std::tm& local);

// The local time of day in whole seconds since midnight, from 0 to 86399 (86400 in a leap second); 0 when
// the host cannot tell it.
inline std::uint32_t secondsSinceMidnight() {
    std::tm local{};
    if (!localTimeNow(local)) {
        return 0;
    }
    return static_cast<std::uint32_t>(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec);
}

// The last line of the usage text: where more help stands on this host, with its line end.
extern const char* const moreHelpLine;

} // namespace courseeval
