#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace courseeval::testing {

// What one run of the built program did.
struct ProgramRun {
    int status = -1; // the exit status, or -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Runs the built course-eval in `workingFolder` with `input` as its standard input (a file, not a
// terminal) and collects its exit status and output.
ProgramRun runProgram(const std::filesystem::path& workingFolder, const std::string& input);
// The same, with `arguments` on the program's command line.
ProgramRun runProgram(const std::filesystem::path& workingFolder, const std::string& input,
                      const std::vector<std::string>& arguments);

#ifndef _WIN32
// What the program runs under besides its input: limits a user or an administrator may set, and another
// user (needs root).
struct ProgramConditions {
    std::uint64_t fileSizeLimit = 0; // the size a file may grow to (ulimit -f); 0 for none
    std::uint64_t memoryLimit = 0;   // the address space the program may take (ulimit -v); 0 for none
    unsigned user = 0;               // runs as this user, group and supplementary groups; 0 for the test's
    unsigned group = 0;
    std::vector<unsigned> groups;
};

// Whether the program can be started in `workingFolder` under `conditions`: as another user it cannot
// where its build folder or the working folder is closed to that user.
bool canRun(const std::filesystem::path& workingFolder, const ProgramConditions& conditions);

// Runs the built course-eval in `workingFolder` with `input` as its standard input, under `conditions`.
ProgramRun runProgram(const std::filesystem::path& workingFolder, const std::string& input,
                      const ProgramConditions& conditions);

// Standard streams that a file of input cannot give.
struct ProgramStreams {
    std::string inputPath;     // standard input is opened from this path: a folder, say
    bool outputClosed = false; // standard output is a pipe that nobody reads any more
    std::vector<std::string> arguments;
};

// Runs the built course-eval in `workingFolder` with `streams`, under `conditions`. A program still running
// after a minute is killed (status -1), so a run that would hang fails the test instead.
ProgramRun runProgram(const std::filesystem::path& workingFolder, const ProgramStreams& streams,
                      const ProgramConditions& conditions = {});
#endif

} // namespace courseeval::testing
