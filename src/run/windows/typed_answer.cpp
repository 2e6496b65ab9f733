#include "run/windows/typed_answer.h"

#include "common/host_text.h"
#include "common/user_dialogue.h"

namespace courseeval {

std::string answerFromTyped(std::wstring_view typed, const std::string& shown) {
    // Each UTF-16 unit is at least one byte of text: a longer answer need not be converted to be refused.
    if (typed.size() > maxAnswerBytes) {
        throw answerTooLong(shown);
    }
    std::string answer = textFromWide(typed);
    if (answer.size() > maxAnswerBytes) {
        throw answerTooLong(shown);
    }
    return answer;
}

} // namespace courseeval
