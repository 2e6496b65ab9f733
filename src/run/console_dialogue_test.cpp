#include "run/console_dialogue.h"
#include "run/run_error.h"

#include <gtest/gtest.h>
#include <sstream>

namespace courseeval {
namespace {

TEST(ConsoleDialogueTest, PromptIsALineAndTheAnswerIsTheNextLineWithoutItsLineEnd) {
    std::istringstream in("C:\\data \r\n 999\nlast line without end");
    std::ostringstream out;
    ConsoleDialogue dialogue(in, out, false);
    EXPECT_EQ(dialogue.askText("first?", AnswerKind::plainText), "C:\\data ");
    EXPECT_EQ(dialogue.askText("second?", AnswerKind::plainText), " 999");
    EXPECT_EQ(dialogue.askText("third?", AnswerKind::plainText), "last line without end");
    EXPECT_EQ(out.str(), "first?\nsecond?\nthird?\n");
}

TEST(ConsoleDialogueTest, EndOfInputAnswersEmptyText) {
    std::istringstream in("");
    std::ostringstream out;
    ConsoleDialogue dialogue(in, out, false);
    EXPECT_EQ(dialogue.askText("folder?", AnswerKind::plainText), "");
    EXPECT_EQ(dialogue.askText("again?", AnswerKind::plainText), "");
}

TEST(ConsoleDialogueTest, OnlyCrLfAndLfAreLineEnds) {
    std::istringstream in("a\rb\r\n\r\n");
    std::ostringstream out;
    ConsoleDialogue dialogue(in, out, false);
    EXPECT_EQ(dialogue.askText("?", AnswerKind::plainText), "a\rb");
    EXPECT_EQ(dialogue.askText("?", AnswerKind::plainText), "");
}

TEST(ConsoleDialogueTest, NoticeWithoutTerminalIsExactlyOneLineAndReadsNothing) {
    std::istringstream in("answer\n");
    std::ostringstream out;
    ConsoleDialogue dialogue(in, out, false);
    dialogue.showNotice("your path is x\\");
    EXPECT_EQ(out.str(), "your path is x\\\n");
    EXPECT_EQ(dialogue.askText("?", AnswerKind::plainText), "answer");
}

TEST(ConsoleDialogueTest, NoticeOnATerminalWaitsForEnter) {
    std::istringstream in("\nanswer\n");
    std::ostringstream out;
    ConsoleDialogue dialogue(in, out, true);
    dialogue.showNotice("done");
    EXPECT_EQ(dialogue.askText("?", AnswerKind::plainText), "answer");
    EXPECT_EQ(out.str().substr(0, 5), "done\n");
}

TEST(ConsoleDialogueTest, FailedConsoleWriteIsAnError) {
    std::istringstream in("answer\n");
    std::ostream broken(nullptr);
    ConsoleDialogue dialogue(in, broken, false);
    EXPECT_THROW(dialogue.showNotice("done"), RunError);
    EXPECT_THROW(dialogue.askText("?", AnswerKind::plainText), RunError);
}

} // namespace
} // namespace courseeval
