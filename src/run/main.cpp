#include "run/console_dialogue.h"
#include "run/line_editing_dialogue.h"
#include "run/run_session.h"
#include "run/time_of_day.h"

#include <iostream>
#include <unistd.h>

int main() {
    // The streams read and write the descriptors themselves. Synchronised with C stdio, std::cin would keep
    // stdin's end-of-file flag after Ctrl-D at a prompt, and no later notice could wait for Enter.
    std::ios::sync_with_stdio(false);
    if (isatty(STDIN_FILENO) == 1) {
        courseeval::LineEditingDialogue dialogue(std::cout);
        return courseeval::runSession(dialogue, std::cerr, courseeval::secondsSinceMidnight);
    }
    courseeval::ConsoleDialogue dialogue(std::cin, std::cout, false);
    return courseeval::runSession(dialogue, std::cerr, courseeval::secondsSinceMidnight);
}
