// End-to-end: the built program on a terminal. There, notices wait for Enter, typed answers are read, and
// Ctrl-D at a prompt answers Cancel.
#include "run/file_names.h"
#include "testing/file_bytes.h"
#include "testing/pty_program.h"
#include "testing/temp_folder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace courseeval {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* folderPrompt = "Enter path for folder in which the file 'sampleEvalData.txt' is stored";
constexpr const char* confirmPrompt =
    "Whatever you do don't enter 999 here.  That will overwrite your existing data file.";

TEST(ProgramOnATerminalTest, NoticesWaitForEnterAndTypedAnswersAreRead) {
    testing::TempFolder folder;
    fs::copy(COURSE_EVAL_EXAMPLES_DIR, folder.path() / "data");
    testing::PtyProgram program(folder.path());

    ASSERT_TRUE(program.waitFor(folderPrompt)) << program.screen();
    program.type("data\r");
    ASSERT_TRUE(program.waitFor("your path is data\\")) << program.screen();
    // The notice holds the run until Enter: the confirmation prompt does not come by itself.
    EXPECT_FALSE(program.waitFor(confirmPrompt, 500ms)) << program.screen();
    program.type("\r");
    ASSERT_TRUE(program.waitFor(confirmPrompt)) << program.screen();
    program.type("no\r");
    ASSERT_TRUE(program.waitFor("done")) << program.screen();
    // The final notice holds the program open until Enter.
    program.waitFor("never shown", 500ms);
    EXPECT_TRUE(program.running());
    program.type("\r");
    EXPECT_EQ(program.waitForExit(), 0) << program.screen();
    EXPECT_TRUE(fs::exists(folder.path() / "data" / numbersOnlyFileName));
}

TEST(ProgramOnATerminalTest, CtrlDAtAPromptAnswersCancel) {
    testing::TempFolder folder;
    const fs::path defaultFolder = folder.path() / "h:" / "tarnholm_2";
    fs::create_directories(defaultFolder);
    fs::copy_file(fs::path(COURSE_EVAL_EXAMPLES_DIR) / evaluationFileName,
                  defaultFolder / evaluationFileName);
    const std::string original = testing::readBytes((defaultFolder / evaluationFileName).string());
    testing::PtyProgram program(folder.path());

    ASSERT_TRUE(program.waitFor(folderPrompt)) << program.screen();
    program.type("\x04");
    ASSERT_TRUE(program.waitFor("your path is h:\\tarnholm_2\\")) << program.screen();
    // After Ctrl-D the terminal is still read: the notice waits for Enter as usual.
    EXPECT_FALSE(program.waitFor(confirmPrompt, 500ms)) << program.screen();
    program.type("\r");
    ASSERT_TRUE(program.waitFor(confirmPrompt)) << program.screen();
    program.type("\x04");
    ASSERT_TRUE(program.waitFor("done")) << program.screen();
    program.type("\r");
    EXPECT_EQ(program.waitForExit(), 0) << program.screen();
    EXPECT_EQ(testing::readBytes((defaultFolder / evaluationFileName).string()), original);
    EXPECT_EQ(
        testing::splitCrLfLines(testing::readBytes((defaultFolder / actionLogFileName).string())).front(),
        "the Path Is h:\\tarnholm_2\\");
}

} // namespace
} // namespace courseeval
