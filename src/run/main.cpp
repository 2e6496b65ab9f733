#include "run/console_dialogue.h"
#include "run/interactive_input.h"
#include "run/run_session.h"
#include "run/time_of_day.h"

#include <csignal>
#include <cstdio>
#include <iostream>

#ifndef _WIN32
#include "run/terminal/line_editing_dialogue.h"
#endif

int main() {
    using namespace courseeval;
#ifndef _WIN32
    // A closed standard output is an error like any other failed write ("cannot write to standard output",
    // exit status 1), not a silent end by SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    const bool interactive = standardInputIsInteractive();
#ifndef _WIN32
    // Line editing is a feature of POSIX terminals.
    if (interactive) {
        LineEditingDialogue dialogue(std::cout);
        return runSession(dialogue, std::cerr, secondsSinceMidnight);
    }
#endif
    ConsoleDialogue dialogue(stdin, std::cout, interactive);
    return runSession(dialogue, std::cerr, secondsSinceMidnight);
}
