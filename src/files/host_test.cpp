#include "files/host.h"
#include "testing/file_bytes.h"
#include "testing/temp_folder.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>

namespace courseeval {
namespace {

using Access = OpenRequest::Access;
using Creation = OpenRequest::Creation;
using testing::readBytes;
using testing::writeBytes;

class HostTest : public ::testing::Test {
protected:
    testing::TempFolder temp;
    const Handle folder = temp.open();
};

#ifdef _WIN32
TEST(HostFolderNameTest, WindowsUsesTheFolderAsItStands) {
    EXPECT_EQ(host::folderName("h:\\tarnholm_2\\"), "h:\\tarnholm_2\\");
    EXPECT_EQ(host::folderName("C:/data\\"), "C:/data\\");
}
#else
TEST(HostFolderNameTest, PosixTurnsEveryBackslashIntoASlash) {
    EXPECT_EQ(host::folderName("h:\\tarnholm_2\\"), "h:/tarnholm_2/");
    EXPECT_EQ(host::folderName("/tmp/a\\b\\"), "/tmp/a/b/");
}
#endif

TEST_F(HostTest, FilesAreOpenedRelativeToTheFolderAndMissingOrTakenNamesSaySo) {
    EXPECT_EQ(host::open(folder, "none", {Access::reading}).error(), std::errc::no_such_file_or_directory);
    ErrorOr<Handle> created = host::open(folder, "a.txt", {Access::writing, Creation::newOnly});
    ASSERT_TRUE(created) << created.error().message();
    const std::string_view pieces[] = {"one ", "two"};
    EXPECT_FALSE(host::write(*created, pieces, 2));
    EXPECT_FALSE(host::close(*created));
    EXPECT_EQ(readBytes(temp.file("a.txt")), "one two");
    EXPECT_EQ(host::open(folder, "a.txt", {Access::writing, Creation::newOnly}).error(),
              std::errc::file_exists);

    ErrorOr<Handle> opened = host::open(folder, "a.txt", {Access::reading});
    ASSERT_TRUE(opened);
    char bytes[16] = {};
    EXPECT_EQ(*host::read(*opened, bytes, sizeof bytes), 7U);
    const ErrorOr<FileStatus> status = host::status(*opened);
    ASSERT_TRUE(status);
    EXPECT_EQ(status->kind, FileKind::regular);
    EXPECT_EQ(status->stamp.size, 7U);
    EXPECT_TRUE(status->sameFileAs(*host::statusAt(folder, "a.txt")));
    EXPECT_EQ(host::statusAt(folder, "none").error(), std::errc::no_such_file_or_directory);
}

TEST_F(HostTest, RenameReplacesOrKeepsATakenNameAsAsked) {
    writeBytes(temp.file("a.txt"), "a");
    writeBytes(temp.file("b.txt"), "b");
    EXPECT_EQ(host::rename(folder, "a.txt", "b.txt", RenameMode::noReplace), std::errc::file_exists);
#ifdef _WIN32
    // Windows has no exchange of two names.
    EXPECT_EQ(host::rename(folder, "a.txt", "b.txt", RenameMode::exchange), std::errc::not_supported);
#else
    EXPECT_FALSE(host::rename(folder, "a.txt", "b.txt", RenameMode::exchange));
    EXPECT_EQ(readBytes(temp.file("a.txt")), "b");
    EXPECT_EQ(readBytes(temp.file("b.txt")), "a");
    writeBytes(temp.file("a.txt"), "a");
    writeBytes(temp.file("b.txt"), "b");
#endif
    EXPECT_FALSE(host::rename(folder, "a.txt", "b.txt", RenameMode::replace));
    EXPECT_EQ(readBytes(temp.file("b.txt")), "a");
    EXPECT_FALSE(std::filesystem::exists(temp.file("a.txt")));
    EXPECT_FALSE(host::remove(folder, "b.txt"));
    EXPECT_EQ(host::remove(folder, "b.txt"), std::errc::no_such_file_or_directory);
}

TEST_F(HostTest, LockOfAFileLockedThroughAnotherOpeningIsHeldElsewhereUntilThatCloses) {
    const OpenRequest log{Access::writing, Creation::either, 0600};
    ErrorOr<Handle> first = host::open(folder, "log.txt", log);
    ErrorOr<Handle> second = host::open(folder, "log.txt", log);
    ASSERT_TRUE(first && second);
    EXPECT_FALSE(host::lock(*first));
    EXPECT_EQ(host::lock(*second), std::errc::resource_unavailable_try_again);
    EXPECT_FALSE(host::close(*first));
    EXPECT_FALSE(host::lock(*second));
}

#ifndef _WIN32
TEST_F(HostTest, LinkOpensOnlyAsItselfAndGivesItsTarget) {
    writeBytes(temp.file("a.txt"), "a");
    std::filesystem::create_symlink("a.txt", temp.file("link"));
    EXPECT_EQ(host::open(folder, "link", {Access::reading}).error(),
              std::errc::too_many_symbolic_link_levels);
    EXPECT_EQ(host::open(folder, "link", {Access::writing, Creation::either}).error(),
              std::errc::too_many_symbolic_link_levels);
    const ErrorOr<Handle> link = host::open(folder, "link", {Access::name});
    ASSERT_TRUE(link);
    EXPECT_EQ(host::status(*link)->kind, FileKind::symbolicLink);
    EXPECT_EQ(*host::linkTarget(*link), "a.txt");
    std::filesystem::create_symlink("b", temp.file("short"));
    EXPECT_EQ(*host::linkTarget(*host::open(folder, "short", {Access::name})), "b");
}

TEST_F(HostTest, AccessListIsReadAndGivenAsItsEntries) {
    using Tag = AccessEntry::Tag;
    writeBytes(temp.file("a.txt"), "");
    const ErrorOr<Handle> file = host::open(folder, "a.txt", {Access::reading});
    ASSERT_TRUE(file);
    const std::vector<AccessEntry> entries = {{Tag::owner, 0, 6},
                                              {Tag::user, 2002, 4},
                                              {Tag::owningGroup, 0, 0},
                                              {Tag::mask, 0, 4},
                                              {Tag::others, 0, 0}};
    if (const std::error_code error = host::setAccess(*file, {0, 0, 0640, entries})) {
        GTEST_SKIP() << "the temporary folder's file system keeps no access lists: " << error.message();
    }
    EXPECT_EQ(host::access(*file, *host::status(*file))->entries, entries);
    // Given no entries, the file has none beyond its permission bits.
    EXPECT_FALSE(host::setAccess(*file, {0, 0, 0604, {}}));
    const FileStatus status = *host::status(*file);
    EXPECT_EQ(status.permissions, 0604U);
    EXPECT_TRUE(host::access(*file, status)->entries.empty());

    // A file system without access lists (ramfs, say) takes the bits alone, and refuses entries.
    hostCalls.setAcl = [](int, void*) {
        errno = ENOTSUP;
        return -1;
    };
    EXPECT_FALSE(host::setAccess(*file, {0, 0, 0640, {}}));
    EXPECT_EQ(host::status(*file)->permissions, 0640U);
    EXPECT_EQ(host::setAccess(*file, {0, 0, 0640, entries}), std::errc::not_supported);
    hostCalls = HostCalls();
}
#endif

} // namespace
} // namespace courseeval
