#include "run/console_dialogue.h"
#include "run/run_session.h"
#include "run/time_of_day.h"

#include <iostream>
#include <unistd.h>

int main() {
    courseeval::ConsoleDialogue dialogue(std::cin, std::cout, isatty(STDIN_FILENO) == 1);
    return courseeval::runSession(dialogue, std::cerr, courseeval::secondsSinceMidnight);
}
