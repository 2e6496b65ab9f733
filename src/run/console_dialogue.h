#pragma once

#include "core/run_error.h"
#include "core/user_dialogue.h"

#include <cstddef>
#include <cstdio>
#include <ostream>
#include <string>

namespace courseeval {

// Writes `text` as a line of its own to the console `out`, at once; a failed write throws a RunError.
void writeConsoleLine(std::ostream& out, const std::string& text);

// The longest answer taken, in bytes; a longer one is an error rather than a guess at what was meant.
inline constexpr std::size_t maxAnswerBytes = std::size_t{64} * 1024;

// The error for an answer to `shown` (a prompt or notice) longer than `maxAnswerBytes`.
RunError answerTooLong(const std::string& shown);

// The dialogue on a text console. A prompt is written as a line of its own and the answer is the next
// line read from `in`, without its line end (LF or CR LF); end of input before any character answers
// Cancel (empty text). A notice is written as a line of its own; only on an interactive console does it
// then wait for Enter. A failure to read or write the console, and an answer longer than `maxAnswerBytes`,
// throw a RunError.
class ConsoleDialogue : public UserDialogue {
public:
    ConsoleDialogue(std::FILE* in, std::ostream& out, bool interactive);

    std::string askText(const std::string& prompt, AnswerKind kind) override;
    void showNotice(const std::string& message) override;

private:
    // The next line of input, the answer to `shown`.
    std::string readLine(const std::string& shown);

    std::FILE* in_;
    std::ostream& out_;
    bool interactive_;
};

} // namespace courseeval
