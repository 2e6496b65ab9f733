#include "run/terminal/folder_name_completion.h"
#include "testing/file_bytes.h"
#include "testing/temp_folder.h"

#include <filesystem>
#include <gmock/gmock.h>

namespace courseeval {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
namespace fs = std::filesystem;

class FolderNameCompletionTest : public ::testing::Test {
protected:
    FolderNameCompletionTest() {
        fs::create_directories(folder.path() / "evaluations fall" / "week 1");
        fs::create_directories(folder.path() / "evaluations spring");
        fs::create_directories(folder.path() / ".hidden");
        testing::writeBytes(folder.file("evaluations.txt"), "");
        testing::writeBytes(folder.file("notes.txt"), "");
    }
    // Completes `typed` below the test folder.
    FolderNameCompletion complete(const std::string& typed) const { return completeFolderName(base + typed); }

    testing::TempFolder folder;
    const std::string base = folder.folderPath();
};

TEST_F(FolderNameCompletionTest, OnlyFoldersAreCompletedEachWithAFinalSlash) {
    EXPECT_EQ(complete("evaluations f").insertion, "all/");
    EXPECT_EQ(complete("evaluations fall/w").insertion, "eek 1/");
    // A file is never offered: the answer names a folder.
    EXPECT_EQ(complete("n").insertion, "");
    EXPECT_THAT(complete("n").candidates, IsEmpty());
}

TEST_F(FolderNameCompletionTest, SeveralMatchesGiveTheirCommonPartThenTheCandidates) {
    const FolderNameCompletion common = complete("ev");
    EXPECT_EQ(common.insertion, "aluations ");
    EXPECT_THAT(common.candidates, IsEmpty());

    const FolderNameCompletion choice = complete("evaluations ");
    EXPECT_EQ(choice.insertion, "");
    EXPECT_THAT(choice.candidates, ElementsAre("evaluations fall/", "evaluations spring/"));
}

TEST(FolderNameCompletionOrderTest, CandidatesAreSortedWhateverOrderTheFolderKeeps) {
    testing::TempFolder folder;
    for (const char* name : {"zz", "aa", "mm"}) {
        fs::create_directory(folder.path() / name);
    }
    EXPECT_THAT(completeFolderName(folder.folderPath()).candidates, ElementsAre("aa/", "mm/", "zz/"));
}

TEST(CandidateColumnsTest, NamesGoDownEachColumnWithinTheWidth) {
    const std::vector<std::string> names = {"a/", "bb/", "c/", "dddd/", "e/"};
    // Columns 7 wide (the widest name and two blanks): two fit in 14, so three lines.
    EXPECT_EQ(inColumns(names, 14), "a/     dddd/\nbb/    e/\nc/\n");
    EXPECT_EQ(inColumns(names, 3), "a/\nbb/\nc/\ndddd/\ne/\n");
}

TEST_F(FolderNameCompletionTest, NoMatchAndHiddenNames) {
    const FolderNameCompletion none = complete("zzz");
    EXPECT_EQ(none.insertion, "");
    EXPECT_THAT(none.candidates, IsEmpty());
    EXPECT_EQ(complete("evaluations fall/week 1/").insertion, "");
    EXPECT_EQ(complete(".h").insertion, "idden/");
    EXPECT_THAT(complete("").candidates, ::testing::Not(::testing::Contains(".hidden/")));
}

TEST_F(FolderNameCompletionTest, BackslashSeparatesFoldersAsInTheFolderAnswer) {
    EXPECT_EQ(complete("evaluations fall\\we").insertion, "ek 1/");
}

TEST(FolderNameCompletionInWorkingFolderTest, RelativeNameIsLookedUpInTheWorkingFolder) {
    testing::TempFolder folder;
    fs::create_directory(folder.path() / "unique-folder-name");
    const fs::path previous = fs::current_path();
    fs::current_path(folder.path());
    const FolderNameCompletion completion = completeFolderName("unique-f");
    fs::current_path(previous);
    EXPECT_EQ(completion.insertion, "older-name/");
}

} // namespace
} // namespace courseeval
