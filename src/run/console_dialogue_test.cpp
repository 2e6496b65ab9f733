#include "common/run_error.h"
#include "run/console_dialogue.h"
#include "testing/file_bytes.h"
#include "testing/temp_folder.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <sstream>

namespace courseeval {
namespace {

// A dialogue reading its answers from a file that holds `input`.
class ConsoleDialogueTest : public ::testing::Test {
protected:
    ~ConsoleDialogueTest() override {
        if (in != nullptr) {
            std::fclose(in);
        }
    }
    ConsoleDialogue dialogueReading(const std::string& input, bool interactive = false) {
        testing::writeBytes(folder.file("in"), input);
        return readingFrom(folder.file("in"), interactive);
    }
    ConsoleDialogue readingFrom(const std::string& path, bool interactive = false) {
        in = std::fopen(path.c_str(), "rb");
        return {in, out, interactive};
    }

    testing::TempFolder folder;
    std::FILE* in = nullptr;
    std::ostringstream out;
};

TEST_F(ConsoleDialogueTest, PromptIsALineAndTheAnswerIsTheNextLineWithoutItsLineEnd) {
    ConsoleDialogue dialogue = dialogueReading("C:\\data \r\n 999\nlast line without end");
    EXPECT_EQ(dialogue.askText("first?", AnswerKind::plainText), "C:\\data ");
    EXPECT_EQ(dialogue.askText("second?", AnswerKind::plainText), " 999");
    EXPECT_EQ(dialogue.askText("third?", AnswerKind::plainText), "last line without end");
    EXPECT_EQ(out.str(), "first?\nsecond?\nthird?\n");
}

TEST_F(ConsoleDialogueTest, EndOfInputAnswersEmptyText) {
    ConsoleDialogue dialogue = dialogueReading("");
    EXPECT_EQ(dialogue.askText("folder?", AnswerKind::plainText), "");
    EXPECT_EQ(dialogue.askText("again?", AnswerKind::plainText), "");
}

TEST_F(ConsoleDialogueTest, OnlyCrLfAndLfAreLineEnds) {
    ConsoleDialogue dialogue = dialogueReading("a\rb\r\n\r\n");
    EXPECT_EQ(dialogue.askText("?", AnswerKind::plainText), "a\rb");
    EXPECT_EQ(dialogue.askText("?", AnswerKind::plainText), "");
}

TEST_F(ConsoleDialogueTest, NoticeWithoutTerminalIsExactlyOneLineAndReadsNothing) {
    ConsoleDialogue dialogue = dialogueReading("answer\n");
    dialogue.showNotice("your path is x\\");
    EXPECT_EQ(out.str(), "your path is x\\\n");
    EXPECT_EQ(dialogue.askText("?", AnswerKind::plainText), "answer");
}

TEST_F(ConsoleDialogueTest, NoticeOnATerminalWaitsForEnter) {
    ConsoleDialogue dialogue = dialogueReading("\nanswer\n", true);
    dialogue.showNotice("done");
    EXPECT_EQ(dialogue.askText("?", AnswerKind::plainText), "answer");
    EXPECT_EQ(out.str().substr(0, 5), "done\n");
}

TEST_F(ConsoleDialogueTest, AnswerOfUpTo64KiBIsTakenAndALongerOneIsAnErrorNamingThePrompt) {
    const std::string longest(maxAnswerBytes, 'x');
    ConsoleDialogue dialogue = dialogueReading(longest + "\r\n" + longest + "y\n");
    EXPECT_EQ(dialogue.askText("folder?", AnswerKind::folder), longest);
    try {
        dialogue.askText("folder?", AnswerKind::folder);
        FAIL() << "an answer over the limit was taken";
    } catch (const RunError& error) {
        EXPECT_STREQ(error.what(), "the answer to \"folder?\" is longer than 64 KiB");
    }
}

TEST_F(ConsoleDialogueTest, FailedConsoleWriteIsAnError) {
    testing::writeBytes(folder.file("in"), "answer\n");
    in = std::fopen(folder.file("in").c_str(), "rb");
    std::ostream broken(nullptr);
    ConsoleDialogue dialogue(in, broken, false);
    EXPECT_THROW(dialogue.showNotice("done"), RunError);
    EXPECT_THROW(dialogue.askText("?", AnswerKind::plainText), RunError);
}

} // namespace
} // namespace courseeval
