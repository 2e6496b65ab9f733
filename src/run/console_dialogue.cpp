#include "run/console_dialogue.h"

#include "run/run_error.h"

#include <string>

namespace courseeval {

ConsoleDialogue::ConsoleDialogue(std::istream& in, std::ostream& out, bool interactive)
    : in_(in), out_(out), interactive_(interactive) {}

std::string ConsoleDialogue::askText(const std::string& prompt, AnswerKind /*kind*/) {
    writeConsoleLine(out_, prompt);
    return readLine();
}

void ConsoleDialogue::showNotice(const std::string& message) {
    writeConsoleLine(out_, message);
    if (interactive_) {
        out_ << "[Enter]" << std::flush;
        readLine();
    }
}

std::string ConsoleDialogue::readLine() {
    std::string line;
    if (!std::getline(in_, line)) {
        // End of input (Ctrl-D on a terminal, the end of a pipe): the same as Cancel. A terminal can be read
        // again after Ctrl-D, so the stream is made ready for the next prompt or notice.
        in_.clear();
        return {};
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

void writeConsoleLine(std::ostream& out, const std::string& text) {
    out << text << '\n' << std::flush;
    if (!out) {
        throw RunError("cannot write to standard output");
    }
}

} // namespace courseeval
