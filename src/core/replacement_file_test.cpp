#include "core/replacement_file.h"
#include "core/run_error.h"
#include "testing/file_bytes.h"
#include "testing/temp_folder.h"

#include <csignal>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

namespace courseeval {
namespace {

namespace fs = std::filesystem;
using testing::readBytes;

class ReplacementFileTest : public ::testing::Test {
protected:
    ReplacementFileTest() { testing::writeBytes(target, "old"); }

    void replaceWithNew() {
        replaceWhole(target, [](OutputFile& file) { file.writeLine("new"); });
    }
    std::vector<std::string> namesInFolder() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder.path())) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    testing::TempFolder folder;
    const std::string target = folder.file("data.txt");
};

TEST_F(ReplacementFileTest, FileNotCompletedLeavesTheTargetAsItWasAndNothingBeside) {
    EXPECT_THROW(replaceWhole(target,
                              [](OutputFile& file) {
                                  file.writeLine("new, but the run ends in an error before it is complete");
                                  throw RunError("an error");
                              }),
                 RunError);
    EXPECT_EQ(readBytes(target), "old");
    EXPECT_THAT(namesInFolder(), ::testing::ElementsAre("data.txt"));
}

TEST_F(ReplacementFileTest, ReadOnlyFileIsRefusedAndLeftAsItIs) {
#ifdef _WIN32
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY);
#else
    fs::permissions(target, fs::perms::owner_read | fs::perms::group_read);
#endif
    try {
        replaceWithNew();
        FAIL() << "a read-only file was replaced";
    } catch (const RunError& error) {
        EXPECT_EQ(std::string(error.what()), "cannot replace '" + target + "': the file is read-only");
    }
    EXPECT_EQ(readBytes(target), "old");
#ifdef _WIN32
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
#endif
}

#ifdef _WIN32
TEST_F(ReplacementFileTest, AttributesOfTheOldFileAreKept) {
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    replaceWithNew();
    EXPECT_EQ(readBytes(target), "new\r\n");
    EXPECT_EQ(GetFileAttributesA(target.c_str()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY),
              DWORD{FILE_ATTRIBUTE_HIDDEN});
    // The new file is hidden only until it takes the old one's place.
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    replaceWithNew();
    EXPECT_EQ(GetFileAttributesA(target.c_str()) & FILE_ATTRIBUTE_HIDDEN, DWORD{0});
}
#else
TEST_F(ReplacementFileTest, FileBehindALinkIsReplacedWithItsPermissionsAndTheLinkStays) {
    fs::create_directory(folder.path() / "store");
    testing::writeBytes(folder.file("store/real.txt"), "old");
    fs::permissions(folder.path() / "store/real.txt",
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::remove(target);
    fs::create_symlink("store/real.txt", target);

    replaceWithNew();

    EXPECT_TRUE(fs::is_symlink(target));
    EXPECT_EQ(readBytes(folder.file("store/real.txt")), "new\r\n");
    EXPECT_EQ(fs::status(folder.path() / "store/real.txt").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path() / "store"), fs::directory_iterator()), 1);
}

TEST_F(ReplacementFileTest, InterruptionRemovesTheNewFileAndLeftoversGoWithTheNextReplacement) {
    // A run killed outright leaves its new file behind; one of the user's, of exactly that form, goes
    // with the next replacement, and a file of any other name stays.
    testing::writeBytes(folder.file(".data.txt.k3x9qa"), "left by a killed run");
    testing::writeBytes(folder.file(".data.txt.k3x9qa.keep"), "the user's own");
    EXPECT_EXIT(replaceWhole(target,
                             [](OutputFile& file) {
                                 file.writeLine("new");
                                 std::raise(SIGTERM);
                             }),
                ::testing::KilledBySignal(SIGTERM), "");
    EXPECT_EQ(readBytes(target), "old");
    EXPECT_THAT(namesInFolder(), ::testing::UnorderedElementsAre("data.txt", ".data.txt.k3x9qa.keep"));
}
#endif

} // namespace
} // namespace courseeval
