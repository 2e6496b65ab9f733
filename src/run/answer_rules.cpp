#include "run/answer_rules.h"

namespace courseeval {

RunError answerTooLong(const std::string& shown) {
    return RunError("the answer to \"" + shown + "\" is longer than " +
                    std::to_string(maxAnswerBytes / 1024) + " KiB");
}

void writeConsoleLine(std::ostream& out, const std::string& text) {
    out << text << '\n' << std::flush;
    if (!out) {
        throw RunError("cannot write to standard output");
    }
}

} // namespace courseeval
