// End-to-end: how the built program fails. Whatever goes wrong, it exits with status 1 and a message on
// standard error naming the file and the cause, never shows "done", keeps complete the files of the
// stages before the failure, and leaves the evaluation file as it was.
#include "core/file_names.h"
#include "core/folder_lock.h"
#include "core/host_path.h"
#include "testing/file_bytes.h"
#include "testing/full_device.h"
#include "testing/temp_folder.h"
#include "tests/program_run.h"

#include <filesystem>
#include <gmock/gmock.h>

#ifndef _WIN32
#include <sys/mount.h>
#include <sys/stat.h>
#endif

namespace courseeval {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;
using testing::readBytes;
using testing::runProgram;

// The files a run writes with the stage that writes each: 0 is the run itself (the action log), then
// the reader, reconstruction, instructor listing, grouped report and numbers-only extract.
struct OutputFileOfStage {
    std::string_view name;
    int stage;
};
constexpr OutputFileOfStage outputFiles[] = {
    {actionLogFileName, 0},      {fieldEchoFileName, 1},         {fieldCountsFileName, 1},
    {reconstructionFileName, 2}, {instructorListingFileName, 3}, {groupedReportFileName, 4},
    {crossCheckFileName, 4},     {numbersOnlyFileName, 5},
};

class ProgramFailureTest : public ::testing::Test {
protected:
    ProgramFailureTest() {
        fs::copy(COURSE_EVAL_EXAMPLES_DIR, data);
        original = bytesOf(evaluationFileName);
    }
    ~ProgramFailureTest() override {
        if (fs::is_regular_file(data / evaluationFileName)) {
            EXPECT_EQ(bytesOf(evaluationFileName), original) << "the evaluation file was changed";
        }
    }

    std::string bytesOf(std::string_view name) const { return readBytes((data / name).string()); }
    void writeEvaluationFile(const std::string& bytes) {
        testing::writeBytes((data / evaluationFileName).string(), bytes);
        original = bytes;
    }
    // Runs the program on `folderAnswer` and `confirmation`, expecting it to fail with `message` on standard
    // error.
    void expectFailure(const std::string& folderAnswer, const std::string& message,
                       const std::string& confirmation = "") {
        const testing::ProgramRun run = runProgram(folder.path(), folderAnswer + "\n" + confirmation + "\n");
        EXPECT_EQ(run.status, 1);
        EXPECT_THAT(run.err, HasSubstr(message));
        EXPECT_THAT(run.err, ::testing::StartsWith("course-eval: "));
        EXPECT_THAT(run.out, Not(HasSubstr("done")));
    }

    testing::TempFolder folder;
    const fs::path data = folder.path() / "data";
    std::string original;
};

TEST_F(ProgramFailureTest, EachOutputFileOnAFullDiskEndsTheRunAfterTheStagesBeforeIt) {
    // What a successful run writes, to compare the earlier stages' files with.
    testing::TempFolder referenceFolder;
    fs::copy(COURSE_EVAL_EXAMPLES_DIR, referenceFolder.path() / "data");
    ASSERT_EQ(runProgram(referenceFolder.path(), "data\n\n").status, 0);
    const auto referenceBytesOf = [&](std::string_view name) {
        return readBytes((referenceFolder.path() / "data" / name).string());
    };

    for (const OutputFileOfStage& failing : outputFiles) {
        SCOPED_TRACE(failing.name);
        for (const OutputFileOfStage& file : outputFiles) {
            fs::remove(data / file.name);
        }
        if (!testing::placeFullDevice(data / failing.name)) {
            GTEST_SKIP() << "no full device on this host";
        }
        expectFailure("data", "'" + hostPath("data\\", failing.name) + "': No space left on device");
        for (const OutputFileOfStage& earlier : outputFiles) {
            if (earlier.stage > 0 && earlier.stage < failing.stage) {
                EXPECT_EQ(bytesOf(earlier.name), referenceBytesOf(earlier.name)) << earlier.name;
            }
        }
        if (failing.stage > 0) {
            EXPECT_THAT(referenceBytesOf(actionLogFileName),
                        ::testing::StartsWith(bytesOf(actionLogFileName)));
        }
    }
}

TEST_F(ProgramFailureTest, FolderThatDoesNotExistFailsRightAfterTheFolderNotice) {
    const testing::ProgramRun run = runProgram(folder.path(), "nowhere\n\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Enter path for folder in which the file 'sampleEvalData.txt' is stored\n"
                       "your path is nowhere\\\n");
    EXPECT_EQ(run.err, "course-eval: cannot create '" + hostPath("nowhere\\", actionLogFileName) +
                           "': No such file or directory\n");
}

TEST_F(ProgramFailureTest, FolderAnswerNamingAFile) {
#ifdef _WIN32
    const std::string cause = "'";
#else
    const std::string cause = "': Not a directory";
#endif
    expectFailure("data/sampleEvalData.txt",
                  "cannot create '" + hostPath("data/sampleEvalData.txt\\", actionLogFileName) + cause);
}

TEST_F(ProgramFailureTest, EvaluationFileThatIsNotARegularFileFailsBeforeAnyTraceFileWithoutWaiting) {
    const std::string evaluationFile = hostPath("data\\", evaluationFileName);
    fs::remove(data / evaluationFileName);
    fs::create_directory(data / evaluationFileName);
#ifdef _WIN32
    // Windows refuses to open a folder as a file.
    expectFailure("data", "cannot open '" + evaluationFile + "'");
#else
    expectFailure("data", "cannot read '" + evaluationFile + "': is a directory, not a regular file");
#endif
    EXPECT_FALSE(fs::exists(data / fieldEchoFileName));
    EXPECT_TRUE(fs::is_directory(data / evaluationFileName));
#ifndef _WIN32
    // A FIFO would block the run for ever at the open, waiting for a writer.
    fs::remove(data / evaluationFileName);
    ASSERT_EQ(mkfifo((data / evaluationFileName).c_str(), 0600), 0);
    expectFailure("data", "cannot read '" + evaluationFile + "': is a FIFO, not a regular file");
    EXPECT_FALSE(fs::exists(data / fieldEchoFileName));
#endif
}

TEST_F(ProgramFailureTest, EvaluationFilePastTheTableLimits) {
    std::string thousandAndOneLines;
    for (int line = 1; line <= 1001; ++line) {
        thousandAndOneLines += "f\t\r\n";
    }
    writeEvaluationFile(thousandAndOneLines);
    const std::string evaluationFile = hostPath("data\\", evaluationFileName);
    expectFailure("data", "course-eval: " + evaluationFile + ":1001: more than 1000 lines\n");

    writeEvaluationFile("a\t\r\n" + std::string(51, '\t') + "\r\n");
    expectFailure("data", "course-eval: " + evaluationFile +
                              ":2: more than 50 fields (no column 51 in 'dataArray')\n");
    EXPECT_EQ(bytesOf(fieldCountsFileName), "line  1 includes  1 fields.\r\n");
}

TEST_F(ProgramFailureTest, FolderAnswerHoldingANulNamesNoOtherFile) {
    // Cut at the NUL, the answer would name the file thesis.doc, and the run would overwrite it.
    testing::writeBytes((data / "thesis.doc").string(), "years of work");
    const std::string answer = (data / "thesis.doc").string() + '\0';
    const testing::ProgramRun run = runProgram(folder.path(), answer + "\n\n");
    EXPECT_EQ(run.status, 1);
    std::string shownLog = hostPath(answer + "\\", actionLogFileName);
    shownLog.replace(shownLog.find('\0'), 1, "\\0");
    EXPECT_EQ(run.err, "course-eval: cannot create '" + shownLog + "': file name holds a NUL character\n");
    EXPECT_EQ(bytesOf("thesis.doc"), "years of work");
    EXPECT_FALSE(fs::exists(data / actionLogFileName));
}

TEST_F(ProgramFailureTest, SecondRunOnAFolderInUseEndsBeforeTouchingAnyFile) {
    testing::writeBytes((data / actionLogFileName).string(), "the other run's log");
    const FolderLock otherRun(hostPath("data\\", ""), (data / actionLogFileName).string());
    const testing::ProgramRun run = runProgram(folder.path(), "data\n999\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "course-eval: another run is using " + hostPath("data\\", "") + "\n");
    EXPECT_EQ(bytesOf(actionLogFileName), "the other run's log");
    EXPECT_FALSE(fs::exists(data / fieldEchoFileName));
}

#ifndef _WIN32
// A small file system of its own for the data folder, so that a disk can really fill up. Needs the right
// to mount (root); otherwise the test is skipped.
class SmallDiskTest : public ProgramFailureTest {
protected:
    SmallDiskTest() {
        fs::remove_all(data);
        fs::create_directory(data);
        mounted = mount("tmpfs", data.c_str(), "tmpfs", 0, "size=32k") == 0;
        if (mounted) {
            fs::copy(COURSE_EVAL_EXAMPLES_DIR, data);
        }
    }
    ~SmallDiskTest() override {
        if (mounted) {
            EXPECT_EQ(bytesOf(evaluationFileName), original) << "the evaluation file was changed";
            umount2(data.c_str(), MNT_DETACH);
        }
    }
    bool mounted = false;
};

TEST_F(SmallDiskTest, SampleDataThatDoNotFitLeaveTheEvaluationFileAsItWas) {
    if (!mounted) {
        GTEST_SKIP() << "cannot mount a file system here";
    }
    // 17 KB of data and a log fit in 32 KiB; 200 sample records (about 150 KB) do not.
    expectFailure("data", "'" + hostPath("data\\", evaluationFileName) + "': No space left on device", "999");
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(data)) {
        left.push_back(entry.path().filename().string());
    }
    EXPECT_THAT(left, ::testing::UnorderedElementsAre(std::string(evaluationFileName),
                                                      std::string(actionLogFileName)));
}

TEST_F(ProgramFailureTest, UnreadableStandardInputIsAnErrorNotACancel) {
    const testing::ProgramRun run = runProgram(folder.path(), testing::ProgramStreams{data.string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "course-eval: cannot read standard input: Is a directory\n");
    EXPECT_THAT(run.out, Not(HasSubstr("your path is")));
}

TEST_F(ProgramFailureTest, ClosedStandardOutputIsAnErrorNotASilentEnd) {
    testing::writeBytes((folder.path() / "answers").string(), "data\n\n");
    const testing::ProgramRun run =
        runProgram(folder.path(), testing::ProgramStreams{(folder.path() / "answers").string(), true});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "course-eval: cannot write to standard output\n");
}
#endif

} // namespace
} // namespace courseeval
