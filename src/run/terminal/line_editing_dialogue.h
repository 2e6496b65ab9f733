#pragma once

#include "common/user_dialogue.h"

#include <ostream>
#include <string>

struct editline; // libedit's editor state

namespace courseeval {

// The dialogue on an interactive terminal. Answers are read through libedit: the line can be edited with
// the usual keys, and at a folder prompt Tab completes file and folder names. The answer is exactly the
// edited line: nothing is trimmed or expanded, no history is kept and no settings file is read. Ctrl-D on
// an empty line answers Cancel; a failed read and an over-long answer are errors. A notice waits for Enter.
// Prompts and notices are lines of their own on `out`.
class LineEditingDialogue : public UserDialogue {
public:
    explicit LineEditingDialogue(std::ostream& out);
    LineEditingDialogue(const LineEditingDialogue&) = delete;
    LineEditingDialogue& operator=(const LineEditingDialogue&) = delete;
    ~LineEditingDialogue() override;

    std::string askText(const std::string& prompt, AnswerKind kind) override;
    void showNotice(const std::string& message) override;

private:
    // One edited line after `hint`, the answer to `shown`; empty text at end of input (Cancel).
    std::string readLine(const std::string& shown, const char* hint, bool completeFolderNames);

    static char* promptOf(editline* editor);
    static unsigned char completeOnTab(editline* editor, int key);

    std::ostream& out_;
    editline* editor_;
    std::string hint_;
    // The text before the cursor when the candidates were last listed, so that they are listed once.
    std::string listedFor_;
};

} // namespace courseeval
