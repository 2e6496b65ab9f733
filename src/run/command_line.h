#pragma once

#include <string>
#include <vector>

namespace courseeval {

// What the program does with its command-line arguments, before it asks anything. No argument changes a
// run: with none the program runs; --help (-h) and --version print their text and end it; anything else
// ends it with a one-line error and exit status 2. The arguments come from programArguments()
// (run/host_process.h).
struct CommandLineOutcome {
    bool run = false;
    // For standard output (help, version, exit status 0) or, on a wrong argument, for standard error.
    std::string text;
    int exitStatus = 0;
};

CommandLineOutcome commandLineOutcome(const std::vector<std::string>& arguments);

} // namespace courseeval
