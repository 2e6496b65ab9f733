#pragma once

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

} // namespace courseeval
