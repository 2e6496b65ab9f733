#pragma once

#include "common/user_dialogue.h"

#include <cstdio>
#include <functional>
#include <ostream>
#include <string>

namespace courseeval {

// Writes `text` as a line of its own to the console `out`, at once; a failed write throws a RunError.
void writeConsoleLine(std::ostream& out, const std::string& text);
// The message of a failed write to standard output, with the system's words for `error` (errno).
std::string standardOutputError(int error);

// The dialogue on a text console. A prompt is written as a line of its own and the answer is the next
// line read from `in`, without its line end (LF or CR LF); end of input before any character answers
// Cancel (empty text). A notice is written as a line of its own; only on an interactive console does it
// then wait for Enter. A failure to read or write the console, and an answer longer than `maxAnswerBytes`,
// throw a RunError.
class ConsoleDialogue : public UserDialogue {
public:
    // Reads the next line of input, the answer to `shown` (the prompt or notice), without its line end.
    using LineReader = std::function<std::string(const std::string& shown)>;

    // Reads the answers as bytes from `in`.
    ConsoleDialogue(std::FILE* in, std::ostream& out, bool interactive);
    // Reads the answers through `readLine` (a Windows console, say, read in UTF-16).
    ConsoleDialogue(LineReader readLine, std::ostream& out, bool interactive);

    std::string askText(const std::string& prompt, AnswerKind kind) override;
    void showNotice(const std::string& message) override;

private:
    LineReader readLine_;
    std::ostream& out_;
    bool interactive_;
};

} // namespace courseeval
