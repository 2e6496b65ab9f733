#include "run/terminal/file_name_completion.h"
#include "testing/file_bytes.h"
#include "testing/temp_folder.h"

#include <filesystem>
#include <gmock/gmock.h>

namespace courseeval {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
namespace fs = std::filesystem;

class FileNameCompletionTest : public ::testing::Test {
protected:
    FileNameCompletionTest() {
        fs::create_directories(folder.path() / "evaluations fall" / "week 1");
        fs::create_directories(folder.path() / "evaluations spring");
        fs::create_directories(folder.path() / ".hidden");
        testing::writeBytes(folder.file("evaluations.txt"), "");
        testing::writeBytes(folder.file("notes.txt"), "");
    }
    // Completes `typed` below the test folder.
    FileNameCompletion complete(const std::string& typed) const { return completeFileName(base + typed); }

    testing::TempFolder folder;
    const std::string base = folder.folderPath();
};

TEST_F(FileNameCompletionTest, OnlyMatchIsCompletedAndAFolderGetsAFinalSlash) {
    EXPECT_EQ(complete("n").insertion, "otes.txt");
    EXPECT_EQ(complete("evaluations f").insertion, "all/");
    EXPECT_EQ(complete("evaluations fall/w").insertion, "eek 1/");
    EXPECT_THAT(complete("n").candidates, IsEmpty());
}

TEST_F(FileNameCompletionTest, SeveralMatchesGiveTheirCommonPartThenTheCandidates) {
    const FileNameCompletion common = complete("ev");
    EXPECT_EQ(common.insertion, "aluations");
    EXPECT_THAT(common.candidates, IsEmpty());

    const FileNameCompletion choice = complete("evaluations");
    EXPECT_EQ(choice.insertion, "");
    EXPECT_THAT(choice.candidates,
                ElementsAre("evaluations fall/", "evaluations spring/", "evaluations.txt"));
}

TEST_F(FileNameCompletionTest, NoMatchAndHiddenNames) {
    const FileNameCompletion none = complete("zzz");
    EXPECT_EQ(none.insertion, "");
    EXPECT_THAT(none.candidates, IsEmpty());
    EXPECT_EQ(complete("evaluations fall/week 1/").insertion, "");
    EXPECT_EQ(complete(".h").insertion, "idden/");
    EXPECT_THAT(complete("").candidates, ::testing::Not(::testing::Contains(".hidden/")));
}

TEST_F(FileNameCompletionTest, BackslashSeparatesFoldersAsInTheFolderAnswer) {
    EXPECT_EQ(complete("evaluations fall\\we").insertion, "ek 1/");
}

TEST(FileNameCompletionInWorkingFolderTest, RelativeNameIsLookedUpInTheWorkingFolder) {
    testing::TempFolder folder;
    fs::create_directory(folder.path() / "unique-folder-name");
    const fs::path previous = fs::current_path();
    fs::current_path(folder.path());
    const FileNameCompletion completion = completeFileName("unique-f");
    fs::current_path(previous);
    EXPECT_EQ(completion.insertion, "older-name/");
}

} // namespace
} // namespace courseeval
