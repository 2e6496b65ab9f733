#pragma once

#include "common/user_dialogue.h"

#include <deque>
#include <string>
#include <vector>

namespace courseeval::testing {

// A dialogue that answers prompts from a script and records everything shown, in order, as
// "ask: <prompt>" and "notice: <message>".
class ScriptedDialogue : public UserDialogue {
public:
    explicit ScriptedDialogue(std::deque<std::string> answers) : answers_(std::move(answers)) {}

    std::string askText(const std::string& prompt, AnswerKind /*kind*/) override {
        shown.push_back("ask: " + prompt);
        if (answers_.empty()) {
            return {};
        }
        std::string answer = std::move(answers_.front());
        answers_.pop_front();
        return answer;
    }

    void showNotice(const std::string& message) override { shown.push_back("notice: " + message); }

    std::vector<std::string> shown;

private:
    std::deque<std::string> answers_;
};

} // namespace courseeval::testing
