#pragma once

#include "run/user_dialogue.h"

#include <istream>
#include <ostream>

namespace courseeval {

// Writes `text` as a line of its own to the console `out`, at once; a failed write throws a RunError.
void writeConsoleLine(std::ostream& out, const std::string& text);

// The dialogue on a text console. A prompt is written as a line of its own and the answer is the next
// line read, without its line end (LF or CR LF); end of input before any character answers Cancel (empty
// text). A notice is written as a line of its own; only on an interactive console does it then wait for
// Enter. A failure to write to the console throws a RunError.
class ConsoleDialogue : public UserDialogue {
public:
    ConsoleDialogue(std::istream& in, std::ostream& out, bool interactive);

    std::string askText(const std::string& prompt, AnswerKind kind) override;
    void showNotice(const std::string& message) override;

private:
    std::string readLine();

    std::istream& in_;
    std::ostream& out_;
    bool interactive_;
};

} // namespace courseeval
