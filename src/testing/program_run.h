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

} // namespace courseeval::testing
