#pragma once

#include "common/run_error.h"

#include <cstddef>
#include <string>

namespace courseeval {

// What an answer names, so that a dialogue can help the user type it (e.g. complete file names).
enum class AnswerKind {
    plainText, // any other answer: the confirmation, to a warning
    folder,
};

// The two modal operations through which a run talks to its user.
class UserDialogue {
public:
    virtual ~UserDialogue() = default;

    // Shows `prompt` and returns the answer typed, exactly as typed; Cancel answers empty text.
    virtual std::string askText(const std::string& prompt, AnswerKind kind) = 0;
    // Shows `message` and returns once the user has acknowledged it.
    virtual void showNotice(const std::string& message) = 0;
};

// The rules every dialogue follows, on a console, a terminal or in dialog boxes.

// The longest answer taken, in bytes; a longer one is an error rather than a guess at what was meant.
inline constexpr std::size_t maxAnswerBytes = std::size_t{64} * 1024;

// The error for an answer to `shown` (a prompt or notice) longer than `maxAnswerBytes`.
inline RunError answerTooLong(const std::string& shown) {
    return RunError("the answer to \"" + shown + "\" is longer than " +
                    std::to_string(maxAnswerBytes / 1024) + " KiB");
}

} // namespace courseeval
