#include "core/replacement_file.h"
#include "testing/file_bytes.h"
#include "testing/temp_folder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace courseeval {
namespace {

namespace fs = std::filesystem;

#ifndef _WIN32
TEST(ReplacementFileTest, FileBehindALinkIsReplacedWithItsPermissionsAndTheLinkStays) {
    testing::TempFolder folder;
    fs::create_directory(folder.path() / "store");
    testing::writeBytes(folder.file("store/real.txt"), "old");
    fs::permissions(folder.path() / "store/real.txt",
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("store/real.txt", folder.path() / "data.txt");

    ReplacementFile file(folder.file("data.txt"));
    file.writeLine("new");
    file.commit();

    EXPECT_TRUE(fs::is_symlink(folder.path() / "data.txt"));
    EXPECT_EQ(testing::readBytes(folder.file("store/real.txt")), "new\r\n");
    EXPECT_EQ(fs::status(folder.path() / "store/real.txt").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path() / "store"), fs::directory_iterator()), 1);
}
#endif

TEST(ReplacementFileTest, FileNotCommittedLeavesTheTargetAsItWasAndNothingBeside) {
    testing::TempFolder folder;
    testing::writeBytes(folder.file("data.txt"), "old");
    {
        ReplacementFile file(folder.file("data.txt"));
        file.writeLine("new, but the run ends in an error before it is complete");
    }
    EXPECT_EQ(testing::readBytes(folder.file("data.txt")), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
}

} // namespace
} // namespace courseeval
