#include "core/data_folder.h"
#include "core/file_names.h"
#include "core/run_error.h"
#include "testing/file_bytes.h"
#include "testing/temp_folder.h"

#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace courseeval {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using testing::readBytes;
using testing::writeBytes;

class DataFolderTest : public ::testing::Test {
protected:
    // The error that `action` ends with; empty text when it succeeds.
    template <typename Action>
    static std::string errorOf(Action&& action) {
        try {
            action();
        } catch (const RunError& error) {
            return error.what();
        }
        return {};
    }
    std::string readEvaluationFile() {
        InputFile input = folder.openEvaluationFile();
        std::string bytes(static_cast<std::size_t>(input.size()), '\0');
        bytes.resize(input.read(bytes.data(), bytes.size()));
        input.close();
        return bytes;
    }

    testing::TempFolder temp;
    DataFolder folder{temp.folderPath()};
    const std::string evaluationFile = temp.file(std::string(evaluationFileName));
};

TEST_F(DataFolderTest, EvaluationFileMissingOrNotARegularFileFailsAtOpen) {
    EXPECT_THAT(errorOf([&] { folder.openEvaluationFile(); }),
                HasSubstr("cannot open '" + evaluationFile + "': "));
    fs::create_directory(evaluationFile);
    EXPECT_EQ(errorOf([&] { folder.openEvaluationFile(); }),
              "cannot read '" + evaluationFile + "': is a directory, not a regular file");
}

TEST_F(DataFolderTest, EvaluationFileOverTheSizeLimitIsRefusedBeforeItIsRead) {
    writeBytes(evaluationFile, "");
    fs::resize_file(evaluationFile, evaluationFileSizeLimit + 1);
    EXPECT_EQ(
        errorOf([&] { folder.openEvaluationFile(); }),
        "cannot read '" + evaluationFile +
            "': holds 67108865 bytes, more than the 64 MiB (67108864 bytes) an evaluation file may hold");
}

TEST_F(DataFolderTest, FileWithOtherNamesIsNotWritten) {
    writeBytes(temp.file("thesis.txt"), "years of work");
    fs::create_hard_link(temp.file("thesis.txt"), temp.file(std::string(fieldEchoFileName)));
    EXPECT_EQ(errorOf([&] { folder.create(fieldEchoFileName); }),
              "cannot create '" + temp.file(std::string(fieldEchoFileName)) +
                  "': has 2 hard links; a run writes no file that has other names");
    EXPECT_EQ(readBytes(temp.file("thesis.txt")), "years of work");
}

#ifndef _WIN32
TEST_F(DataFolderTest, SymbolicLinkOfAnotherUserIsFollowedOnlyWhenTheFolderIsTheirs) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "giving a link to another user needs root";
    }
    constexpr uid_t coworker = 2002;
    writeBytes(temp.file("real.txt"), "a\t\r\n");
    fs::create_symlink("real.txt", evaluationFile);
    ASSERT_EQ(lchown(evaluationFile.c_str(), coworker, coworker), 0);
    EXPECT_EQ(errorOf([&] { folder.openEvaluationFile(); }),
              "cannot open '" + evaluationFile +
                  "': is a symbolic link of user 2002; only links of your own, of the folder's owner or of "
                  "root are followed");

    ASSERT_EQ(chown(temp.path().c_str(), coworker, coworker), 0);
    EXPECT_EQ(readEvaluationFile(), "a\t\r\n");
}

TEST_F(DataFolderTest, DerivedFilesAreNoMoreReadableThanTheEvaluationFile) {
    const mode_t savedMask = umask(022);
    const auto permissionsOf = [&](const std::string& name) {
        struct stat status {};
        stat(temp.file(name).c_str(), &status);
        return status.st_mode & 0777;
    };
    writeBytes(evaluationFile, "");
    chmod(evaluationFile.c_str(), 0640);
    writeBytes(temp.file("earlier.txt"), "an earlier run's output");
    chmod(temp.file("earlier.txt").c_str(), 0644);
    readEvaluationFile();
    folder.create("new.txt");
    folder.create("earlier.txt");
    EXPECT_EQ(permissionsOf("new.txt"), 0640U);
    EXPECT_EQ(permissionsOf("earlier.txt"), 0640U);

    if (geteuid() == 0) {
        // Another user's file would show them data the evaluation file shows its owner alone.
        chmod(evaluationFile.c_str(), 0600);
        ASSERT_EQ(chown(temp.file("earlier.txt").c_str(), 2002, 2002), 0);
        DataFolder again(temp.folderPath());
        again.openEvaluationFile().close();
        EXPECT_EQ(errorOf([&] { again.create("earlier.txt"); }),
                  "cannot create '" + temp.file("earlier.txt") +
                      "': belongs to user 2002, who may not read the evaluation file it would show");
    }
    umask(savedMask);
}
#endif

} // namespace
} // namespace courseeval
