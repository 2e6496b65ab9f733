#pragma once

#include <filesystem>
#include <string>

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

#ifndef _WIN32
// Standard streams that a file of input cannot give.
struct ProgramStreams {
    std::string inputPath;     // standard input is opened from this path: a folder, say
    bool outputClosed = false; // standard output is a pipe that nobody reads any more
};

// Runs the built course-eval in `workingFolder` with `streams`. A program still running after a minute is
// killed (status -1), so a run that would hang fails the test instead.
ProgramRun runProgram(const std::filesystem::path& workingFolder, const ProgramStreams& streams);
#endif

} // namespace courseeval::testing
