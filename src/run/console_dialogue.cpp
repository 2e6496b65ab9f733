#include "run/console_dialogue.h"

#include "common/host_text.h"

#include <cerrno>
#include <cstring>
#include <utility>

namespace courseeval {

namespace {

// The next line of `in` as an answer to `shown`, without its line end.
std::string readAnswerLine(std::FILE* in, const std::string& shown) {
    std::string line;
    for (int c = std::getc(in); c != '\n'; c = std::getc(in)) {
        if (c == EOF) {
            if (std::ferror(in) != 0) {
                const int error = errno;
                std::clearerr(in);
                throw RunError(std::string("cannot read standard input: ") +
                               (error != 0 ? std::strerror(error) : "unknown error"));
            }
            // End of input (Ctrl-D on a terminal, the end of a pipe): a last line without a line end is
            // still an answer, and end of input before any character is Cancel. A terminal can be read
            // again after Ctrl-D, so the stream is made ready for the next prompt or notice.
            std::clearerr(in);
            break;
        }
        // One byte more than the limit leaves room for the CR of a CR LF line end.
        if (line.size() > maxAnswerBytes) {
            throw answerTooLong(shown);
        }
        line.push_back(static_cast<char>(c));
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    if (line.size() > maxAnswerBytes) {
        throw answerTooLong(shown);
    }
    return textFromAnswerBytes(line);
}

} // namespace

void writeConsoleLine(std::ostream& out, const std::string& text) {
    errno = 0;
    out << text << '\n' << std::flush;
    if (!out) {
        throw RunError(standardOutputError(errno));
    }
}

std::string standardOutputError(int error) {
    return std::string("cannot write to standard output: ") +
           (error != 0 ? std::strerror(error) : "unknown error");
}

ConsoleDialogue::ConsoleDialogue(std::FILE* in, std::ostream& out, bool interactive)
    : ConsoleDialogue([in](const std::string& shown) { return readAnswerLine(in, shown); }, out,
                      interactive) {}

ConsoleDialogue::ConsoleDialogue(LineReader readLine, std::ostream& out, bool interactive)
    : readLine_(std::move(readLine)), out_(out), interactive_(interactive) {}

std::string ConsoleDialogue::askText(const std::string& prompt, AnswerKind /*kind*/) {
    writeConsoleLine(out_, prompt);
    return readLine_(prompt);
}

void ConsoleDialogue::showNotice(const std::string& message) {
    writeConsoleLine(out_, message);
    if (interactive_) {
        out_ << "[Enter]" << std::flush;
        readLine_(message);
    }
}

} // namespace courseeval
