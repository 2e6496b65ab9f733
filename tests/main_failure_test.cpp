// End-to-end: how the built program fails. Whatever goes wrong, it exits with status 1 and a message on
// standard error naming the file and the cause, never shows "done", keeps complete the files of the
// stages before the failure, and leaves the evaluation file as it was.
#include "common/file_names.h"
#include "common/run_error.h"
#include "files/data_folder.h"
#include "files/host.h"
#include "testing/file_bytes.h"
#include "testing/small_disk.h"
#include "testing/temp_folder.h"
#include "tests/program_run.h"

#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>

#ifndef _WIN32
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

#ifndef _WIN32
TEST_F(ProgramFailureTest, LinkAtAnyOutputNameEndsTheRunThereAndLeavesWhatItNamesAlone) {
    // What a successful run writes, to compare the earlier stages' files with.
    testing::TempFolder referenceFolder;
    fs::copy(COURSE_EVAL_EXAMPLES_DIR, referenceFolder.path() / "data");
    ASSERT_EQ(runProgram(referenceFolder.path(), "data\n\n").status, 0);
    const auto referenceBytesOf = [&](std::string_view name) {
        return readBytes((referenceFolder.path() / "data" / name).string());
    };
    // Someone else's link, planted where the run writes, would have the run overwrite the user's file.
    const fs::path thesis = folder.path() / "thesis.txt";
    testing::writeBytes(thesis.string(), "years of work");

    for (const OutputFileOfStage& failing : outputFiles) {
        SCOPED_TRACE(failing.name);
        for (const OutputFileOfStage& file : outputFiles) {
            fs::remove(data / file.name);
        }
        fs::create_symlink(thesis, data / failing.name);
        expectFailure("data", "course-eval: cannot create '" +
                                  host::folderName("data\\").append(failing.name) +
                                  "': is a symbolic link, not a regular file\n");
        EXPECT_EQ(readBytes(thesis.string()), "years of work");
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

TEST_F(ProgramFailureTest, FifoAtAnOutputNameFailsAtOnce) {
    ASSERT_EQ(mkfifo((data / fieldCountsFileName).c_str(), 0666), 0);
    expectFailure("data", "course-eval: cannot create '" +
                              host::folderName("data\\").append(fieldCountsFileName) +
                              "': is a FIFO, not a regular file\n");
}
#endif

TEST_F(ProgramFailureTest, FolderThatDoesNotExistFailsRightAfterTheFolderNotice) {
    const testing::ProgramRun run = runProgram(folder.path(), "nowhere\n\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Enter path for folder in which the file 'sampleEvalData.txt' is stored\n"
                       "your path is nowhere\\\n");
#ifdef _WIN32
    // The cause is the system's own message, which differs between Windows versions and languages.
    EXPECT_THAT(run.err, ::testing::StartsWith("course-eval: cannot use the folder 'nowhere\\': "));
#else
    EXPECT_EQ(run.err, "course-eval: cannot use the folder 'nowhere\\': No such file or directory\n");
#endif
    EXPECT_FALSE(fs::exists(folder.path() / "nowhere"));
}

TEST_F(ProgramFailureTest, FolderAnswerNamingAFile) {
    expectFailure("data/sampleEvalData.txt",
                  "cannot use the folder 'data/sampleEvalData.txt\\': Not a directory");
}

TEST_F(ProgramFailureTest, EvaluationFileThatIsNotARegularFileFailsBeforeAnyTraceFileWithoutWaiting) {
    const std::string evaluationFile = host::folderName("data\\").append(evaluationFileName);
    fs::remove(data / evaluationFileName);
    fs::create_directory(data / evaluationFileName);
    expectFailure("data", "cannot read '" + evaluationFile + "': is a directory, not a regular file");
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
    const std::string evaluationFile = host::folderName("data\\").append(evaluationFileName);
    expectFailure("data", "course-eval: " + evaluationFile + ":1001: more than 1000 lines\n");

    writeEvaluationFile("a\t\r\n" + std::string(51, '\t') + "\r\n");
    expectFailure("data", "course-eval: " + evaluationFile + ":2: more than 50 fields\n");
    EXPECT_EQ(bytesOf(fieldCountsFileName), "line  1 includes  1 fields.\r\n");

    std::string hundredAndOneDescriptions;
    for (int line = 1; line <= 101; ++line) {
        hundredAndOneDescriptions += "1\tcourse " + std::to_string(line) + "\t\r\n";
    }
    writeEvaluationFile(hundredAndOneDescriptions);
    expectFailure("data", "course-eval: " + evaluationFile +
                              ":101: more than 100 distinct descriptions (this record's is the 101st)\n");
}

TEST_F(ProgramFailureTest, FolderAnswerHoldingANulNamesNoOtherFile) {
    // Cut at the NUL, the answer would name the file thesis.doc, and the run would overwrite it.
    testing::writeBytes((data / "thesis.doc").string(), "years of work");
    const std::string answer = (data / "thesis.doc").string() + '\0';
    const testing::ProgramRun run = runProgram(folder.path(), answer + "\n\n");
    EXPECT_EQ(run.status, 1);
    std::string shownLog = host::folderName(answer + "\\").append(actionLogFileName);
    shownLog.replace(shownLog.find('\0'), 1, "\\0");
    EXPECT_EQ(run.err, "course-eval: cannot create '" + shownLog + "': file name holds a NUL character\n");
    EXPECT_EQ(bytesOf("thesis.doc"), "years of work");
    EXPECT_FALSE(fs::exists(data / actionLogFileName));
}

TEST_F(ProgramFailureTest, SecondRunOnAFolderInUseEndsBeforeTouchingAnyFile) {
    DataFolder otherFolder((data / "").string());
    ActionLog& otherRun = otherFolder.lock();
    otherRun.logAction("the other run's log");
    const testing::ProgramRun run = runProgram(folder.path(), "data\n999\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "course-eval: another run is using " + host::folderName("data\\") + "\n");
    EXPECT_EQ(bytesOf(actionLogFileName), "the other run's log\r\n");
    EXPECT_FALSE(fs::exists(data / fieldEchoFileName));
#ifndef _WIN32
    // Removing the log (a stale lock file, one might think) lets no second run in, and the run that holds
    // the folder does not report as done a folder that others may have written.
    fs::remove(data / actionLogFileName);
    EXPECT_EQ(runProgram(folder.path(), "data\n\n").err, run.err);
    EXPECT_FALSE(fs::exists(data / actionLogFileName));
    EXPECT_THROW(otherRun.release(), RunError);
#endif
}

#ifndef _WIN32
// A small file system of its own for the data folder, so that a disk can really fill up. Needs the right
// to mount (root); otherwise the test is skipped.
class SmallDiskTest : public ProgramFailureTest {
protected:
    SmallDiskTest() : disk(data, 32) {
        if (disk.mounted()) {
            fs::copy(COURSE_EVAL_EXAMPLES_DIR, data);
        }
    }
    ~SmallDiskTest() override {
        if (disk.mounted()) {
            EXPECT_EQ(bytesOf(evaluationFileName), original) << "the evaluation file was changed";
        }
    }
    // The names in the data folder.
    std::vector<std::string> namesInData() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(data)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    const testing::SmallDisk disk;
};

TEST_F(SmallDiskTest, SampleDataThatDoNotFitLeaveTheEvaluationFileAsItWas) {
    if (!disk.mounted()) {
        GTEST_SKIP() << "cannot mount a file system here";
    }
    // 17 KB of data and a log fit in 32 KiB; 200 sample records (about 150 KB) do not.
    expectFailure("data",
                  "'" + host::folderName("data\\").append(evaluationFileName) + "': No space left on device",
                  "999");
    EXPECT_THAT(namesInData(), ::testing::UnorderedElementsAre(std::string(evaluationFileName),
                                                               std::string(actionLogFileName)));
}

TEST_F(ProgramFailureTest, SampleDataPastAFileSizeLimitLeaveTheEvaluationFileAsItWas) {
    // Without its signal ignored, the program would be ended at the limit with its new file half written.
    testing::ProgramConditions limited;
    limited.fileSizeLimit = 100 * 1024;
    const testing::ProgramRun run = runProgram(folder.path(), "data\n999\n", limited);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "course-eval: cannot write to '" +
                           host::folderName("data\\").append(evaluationFileName) + "': File too large\n");
    for (const auto& entry : fs::directory_iterator(data)) {
        EXPECT_THAT(entry.path().filename().string(), Not(::testing::StartsWith(".sampleEvalData")));
    }
}

TEST_F(ProgramFailureTest, MemoryRunningOutIsReportedAsSuchNamingTheStep) {
#if defined(COURSE_EVAL_UNDER_EMULATOR)
    GTEST_SKIP() << "under qemu-user the address-space limit holds the emulator, not the program it runs";
#elif defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer needs more address space than the limit leaves";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    GTEST_SKIP() << "AddressSanitizer needs more address space than the limit leaves";
#endif
#endif
    // One field of 60 MiB, within the size limit, read into memory beside the program's own mappings: more
    // than 64 MiB of address space allow.
    writeEvaluationFile("");
    fs::resize_file(data / evaluationFileName, 60 * 1024 * 1024);
    std::ofstream(data / evaluationFileName, std::ios::binary | std::ios::app) << '\t';
    original = bytesOf(evaluationFileName);
    testing::ProgramConditions limited;
    limited.memoryLimit = 64 * 1024 * 1024;
    const testing::ProgramRun run = runProgram(folder.path(), "data\n\n", limited);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "course-eval: not enough memory while reading the evaluation file\n");
}

TEST_F(ProgramFailureTest, UnreadableStandardInputIsAnErrorNotACancel) {
    const testing::ProgramRun run =
        runProgram(folder.path(), testing::ProgramStreams{data.string(), false, {}});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "course-eval: cannot read standard input: Is a directory\n");
    EXPECT_THAT(run.out, Not(HasSubstr("your path is")));
}

TEST_F(ProgramFailureTest, ClosedStandardOutputIsAnErrorNotASilentEnd) {
    testing::writeBytes((folder.path() / "answers").string(), "data\n\n");
    const testing::ProgramRun run =
        runProgram(folder.path(), testing::ProgramStreams{(folder.path() / "answers").string(), true, {}});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "course-eval: cannot write to standard output: Broken pipe\n");
    // So is the help that cannot be shown.
    const testing::ProgramRun help = runProgram(
        folder.path(), testing::ProgramStreams{(folder.path() / "answers").string(), true, {"--help"}});
    EXPECT_EQ(help.status, 1);
    EXPECT_EQ(help.err, run.err);
}
#endif

} // namespace
} // namespace courseeval
