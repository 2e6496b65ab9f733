#include "run/command_line.h"
#include "run/console_dialogue.h"
#include "run/host_process.h"
#include "run/run_session.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <iostream>

#ifdef _WIN32
#include "run/windows/console_text.h"

#include <windows.h>
#else
#include "common/run_error.h"
#include "run/terminal/line_editing_dialogue.h"

#include <optional>
#endif

int main(int argc, char** argv) {
    using namespace courseeval;
#ifndef _WIN32
    // A closed standard output is an error like any other failed write ("cannot write to standard output",
    // exit status 1), not a silent end by SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
    // Likewise a file-size limit (ulimit -f): the write fails with "File too large" and the run says so,
    // instead of ending at once and leaving a half-written file behind.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    // Before anything is asked or written: an argument never changes a run.
    const CommandLineOutcome commandLine = commandLineOutcome(programArguments(argc, argv));
    if (!commandLine.run) {
        std::ostream& shown = commandLine.exitStatus != 0 ? std::cerr : std::cout;
        errno = 0;
        shown << commandLine.text << std::flush;
        if (!shown) {
            std::cerr << "course-eval: " << standardOutputError(errno) << '\n' << std::flush;
            return 1;
        }
        return commandLine.exitStatus;
    }
    const bool interactive = standardInputIsInteractive();
#ifdef _WIN32
    // A console reads and shows its own code page (437 or 850, say): text typed at a console or shown on
    // one goes through UTF-16. Piped text is bytes: answers are read as UTF-8 or ANSI text, and what is
    // written is in the ANSI code page wherever it holds the text (see host_text.h).
    ConsoleOutputBuffer consoleOut(GetStdHandle(STD_OUTPUT_HANDLE));
    ConsoleOutputBuffer consoleErrors(GetStdHandle(STD_ERROR_HANDLE));
    StoredBytesBuffer pipedOut(std::cout.rdbuf());
    StoredBytesBuffer pipedErrors(std::cerr.rdbuf());
    std::ostream out(isConsole(STD_OUTPUT_HANDLE) ? static_cast<std::streambuf*>(&consoleOut) : &pipedOut);
    std::ostream errors(isConsole(STD_ERROR_HANDLE) ? static_cast<std::streambuf*>(&consoleErrors)
                                                    : &pipedErrors);
    if (interactive) {
        void* const console = GetStdHandle(STD_INPUT_HANDLE);
        ConsoleDialogue dialogue(
            [console](const std::string& shown) { return readConsoleLine(console, shown); }, out,
            interactive);
        const int status = runSession(dialogue, errors, secondsSinceMidnight);
        if (status != 0 && consoleIsThisProcessAlone()) {
            // Started on its own (double-clicked), the console window would close with the error unread.
            try {
                out << "[Enter]" << std::flush;
                readConsoleLine(console, "[Enter]");
            } catch (const std::exception&) {
                // Nothing more can be shown.
            }
        }
        return status;
    }
    ConsoleDialogue dialogue(stdin, out, interactive);
    return runSession(dialogue, errors, secondsSinceMidnight);
#else
    // Line editing is a feature of POSIX terminals.
    if (interactive) {
        std::optional<LineEditingDialogue> dialogue;
        try {
            dialogue.emplace(std::cout);
        } catch (const RunError& error) {
            std::cerr << "course-eval: " << error.what() << '\n' << std::flush;
            return 1;
        }
        return runSession(*dialogue, std::cerr, secondsSinceMidnight);
    }
    ConsoleDialogue dialogue(stdin, std::cout, interactive);
    return runSession(dialogue, std::cerr, secondsSinceMidnight);
#endif
}
