// End-to-end: the built program on a terminal. There, notices wait for Enter, answers are typed with line
// editing, Tab completes the folder, and Ctrl-D at a prompt answers Cancel.
#include "common/file_names.h"
#include "testing/file_bytes.h"
#include "testing/temp_folder.h"
#include "tests/program_run.h"
#include "tests/pty_program.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <termios.h>
#include <thread>

namespace courseeval {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* folderPrompt = "Enter path for folder in which the file 'sampleEvalData.txt' is stored";
constexpr const char* confirmPrompt =
    "Whatever you do don't enter 999 here.  That will overwrite your existing data file.";
constexpr const char* enter = "\r";
constexpr const char* ctrlD = "\x04";
constexpr const char* backspace = "\x7f";
constexpr const char* tab = "\t";
constexpr const char* ctrlC = "\x03";

// The program on a terminal in a fresh folder; keys are typed once the line editor reads them.
class ProgramOnATerminalTest : public ::testing::Test {
protected:
    void start(unsigned cleared = 0) {
        program = std::make_unique<testing::PtyProgram>(folder.path(), cleared);
    }
    void await(std::string_view text) { ASSERT_TRUE(program->waitFor(text)) << program->screen(); }
    void typeAnswer(std::string_view keys) {
        ASSERT_TRUE(program->waitForLineEditor()) << program->screen();
        program->type(keys);
    }
    // The notice just shown holds the run until Enter: `next` does not come by itself.
    void acknowledgeNoticeBefore(std::string_view next) {
        await("[Enter]");
        EXPECT_FALSE(program->waitFor(next, 500ms)) << program->screen();
        typeAnswer(enter);
        await(next);
    }
    void finish() {
        await("done");
        await("[Enter]");
        EXPECT_TRUE(program->running());
        typeAnswer(enter);
        EXPECT_EQ(program->waitForExit(), 0) << program->screen();
    }

    testing::TempFolder folder;
    std::unique_ptr<testing::PtyProgram> program;
};

TEST_F(ProgramOnATerminalTest, NoticesWaitForEnterAndEditedAnswersAreRead) {
    fs::copy(COURSE_EVAL_EXAMPLES_DIR, folder.path() / "data");
    start();
    await(folderPrompt);
    typeAnswer(std::string("datx") + backspace + "a" + enter);
    await("your path is data\\");
    acknowledgeNoticeBefore(confirmPrompt);
    typeAnswer(std::string("no") + enter);
    finish();
    EXPECT_TRUE(fs::exists(folder.path() / "data" / numbersOnlyFileName));
}

TEST_F(ProgramOnATerminalTest, TabCompletesThePartialFolderName) {
    fs::copy(COURSE_EVAL_EXAMPLES_DIR, folder.path() / "evaluations fall 2026");
    fs::create_directory(folder.path() / "evaluations spring 2027");
    fs::create_directory(folder.path() / "other");
    // A terminal set up otherwise than by default is left so.
    start(ECHOCTL);
    await(folderPrompt);
    // The line editor redraws the line with cursor moves; the notice shows the answer plainly. The common
    // part comes first, then the folders that fit are listed once; a third Tab only beeps.
    typeAnswer(std::string("eval") + tab + tab + tab + "f" + tab + enter);
    // The completed folder ends in "/", so no backslash is added to it.
    await("your path is evaluations fall 2026/\r\n");
    acknowledgeNoticeBefore(confirmPrompt);
    typeAnswer(enter);
    finish();
    EXPECT_EQ(testing::splitCrLfLines(
                  testing::readBytes((folder.path() / "evaluations fall 2026" / actionLogFileName).string()))
                  .front(),
              "the Path Is evaluations fall 2026/");
    const std::string& screen = program->screen();
    EXPECT_EQ(screen.find("spring 2027"), screen.rfind("spring 2027")) << screen;
    EXPECT_NE(screen.find("spring 2027"), std::string::npos) << screen;
    EXPECT_EQ(std::count(screen.begin(), screen.end(), '\a'), 1) << screen;
    EXPECT_EQ(program->localModes(), program->startingLocalModes());
}

TEST_F(ProgramOnATerminalTest, FolderNamesBeyondAsciiAreTypedAndCompletedByteForByte) {
    const std::string name = "donn\xC3\xA9"
                             "es \xC3\xA9t\xC3\xA9";
    fs::copy(COURSE_EVAL_EXAMPLES_DIR, folder.path() / name);
    start();
    await(folderPrompt);
    typeAnswer(std::string("donn\xC3\xA9") + tab + enter);
    await("your path is " + name + "/\r\n");
    acknowledgeNoticeBefore(confirmPrompt);
    typeAnswer(enter);
    finish();
    EXPECT_TRUE(fs::exists(folder.path() / name / numbersOnlyFileName));
}

TEST_F(ProgramOnATerminalTest, CtrlDAtAPromptAnswersCancel) {
    const fs::path defaultFolder = folder.path() / "h:" / "tarnholm_2";
    fs::create_directories(defaultFolder);
    fs::copy_file(fs::path(COURSE_EVAL_EXAMPLES_DIR) / evaluationFileName,
                  defaultFolder / evaluationFileName);
    const std::string original = testing::readBytes((defaultFolder / evaluationFileName).string());
    start();
    await(folderPrompt);
    typeAnswer(ctrlD);
    await("your path is h:\\tarnholm_2\\");
    // After Ctrl-D the terminal is still read: the notice waits for Enter as usual.
    acknowledgeNoticeBefore(confirmPrompt);
    typeAnswer(ctrlD);
    finish();
    EXPECT_EQ(testing::readBytes((defaultFolder / evaluationFileName).string()), original);
    EXPECT_EQ(
        testing::splitCrLfLines(testing::readBytes((defaultFolder / actionLogFileName).string())).front(),
        "the Path Is h:\\tarnholm_2\\");
}

TEST_F(ProgramOnATerminalTest, FolderIsFreeForAnotherRunWhileDoneWaitsForEnter) {
    fs::copy(COURSE_EVAL_EXAMPLES_DIR, folder.path() / "data");
    start();
    await(folderPrompt);
    typeAnswer(std::string("data") + enter);
    acknowledgeNoticeBefore(confirmPrompt);
    typeAnswer(enter);
    await("done");
    await("[Enter]");
    // The first user has walked away from the notice; a co-worker's run goes through meanwhile.
    const testing::ProgramRun second = testing::runProgram(folder.path(), "data\n\n");
    EXPECT_EQ(second.status, 0) << second.err;
    typeAnswer(enter);
    EXPECT_EQ(program->waitForExit(), 0) << program->screen();
}

TEST_F(ProgramOnATerminalTest, LineEditorThatCannotBeLoadedEndsTheRunWithAnError) {
#if defined(COURSE_EVAL_UNDER_EMULATOR)
    GTEST_SKIP() << "under qemu-user the emulator names the folders the target's libraries come from";
#endif
    // A file of the library's name that is no library, where the dynamic loader looks first.
    const fs::path libraries = folder.path() / "lib";
    fs::create_directory(libraries);
    testing::writeBytes((libraries / COURSE_EVAL_LIBEDIT).string(), "");
    ASSERT_EQ(setenv("LD_LIBRARY_PATH", libraries.c_str(), 1), 0);
    start();
    unsetenv("LD_LIBRARY_PATH");
    await("course-eval: cannot start line editing on the terminal: ");
    EXPECT_EQ(program->waitForExit(), 1) << program->screen();
}

TEST_F(ProgramOnATerminalTest, CtrlCAtAPromptLeavesTheTerminalAsItWas) {
    start();
    await(folderPrompt);
    // Ctrl-C once the line editor has the terminal: the prompt is shown a moment before.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (program->inLineMode() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_FALSE(program->inLineMode()) << program->screen();
    typeAnswer(ctrlC);
    EXPECT_EQ(program->waitForExit(), -1) << program->screen();
    EXPECT_TRUE(program->inLineMode());
}

} // namespace
} // namespace courseeval
