#include "run/console_dialogue.h"
#include "run/interactive_input.h"
#include "run/run_session.h"
#include "run/time_of_day.h"

#include <iostream>

#ifndef _WIN32
#include "run/line_editing_dialogue.h"
#endif

int main() {
    using namespace courseeval;
    // The streams read and write the descriptors themselves. Synchronised with C stdio, std::cin would keep
    // stdin's end-of-file flag after Ctrl-D at a prompt, and no later notice could wait for Enter.
    std::ios::sync_with_stdio(false);
    const bool interactive = standardInputIsInteractive();
#ifndef _WIN32
    // Line editing is a feature of POSIX terminals.
    if (interactive) {
        LineEditingDialogue dialogue(std::cout);
        return runSession(dialogue, std::cerr, secondsSinceMidnight);
    }
#endif
    ConsoleDialogue dialogue(std::cin, std::cout, interactive);
    return runSession(dialogue, std::cerr, secondsSinceMidnight);
}
