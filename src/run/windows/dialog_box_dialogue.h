#pragma once

#include "common/user_dialogue.h"

#include <string>
#include <vector>

namespace courseeval {

// The dialogue in windows, for users who start the program from Explorer. A prompt is a modal dialog box
// titled "course-eval": the prompt text (wrapped, all of it visible), a single-line entry that starts
// empty and has the keyboard focus, OK (the default button, Enter) and Cancel (Esc and the close box),
// centred on the screen. Cancel answers empty text. A notice is a message box with one OK button. What is
// typed becomes the program's text (see host_text.h); a failure to show a window throws a RunError.
class DialogBoxDialogue : public UserDialogue {
public:
    std::string askText(const std::string& prompt, AnswerKind kind) override;
    void showNotice(const std::string& message) override;

    // Shows the message of the error that ended the run, in a message box with the error icon.
    void showError(const std::string& message);
    // Shows the warnings about the evaluation file, all in one message box with the warning icon.
    void showWarnings(const std::vector<std::string>& warnings);
};

} // namespace courseeval
