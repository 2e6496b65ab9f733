#include "files/file_rules.h"

#include <gtest/gtest.h>

namespace courseeval {
namespace {

using Tag = AccessEntry::Tag;

// The access of a file with the entries `entries` in the short text form of access lists,
// "u::rw-,u:2002:r--,g::---,m::r--,o::---".
FileAccess listed(std::uint32_t owner, std::uint32_t group, unsigned permissions, std::string_view entries) {
    FileAccess access{owner, group, permissions, {}};
    while (!entries.empty()) {
        const std::string_view entry = entries.substr(0, entries.find(','));
        entries.remove_prefix(std::min(entries.size(), entry.size() + 1));
        const bool named = entry[2] != ':';
        AccessEntry made;
        made.tag = entry[0] == 'u'   ? (named ? Tag::user : Tag::owner)
                   : entry[0] == 'g' ? (named ? Tag::group : Tag::owningGroup)
                   : entry[0] == 'm' ? Tag::mask
                                     : Tag::others;
        made.id = named ? static_cast<std::uint32_t>(std::stoul(std::string(entry.substr(2)))) : 0;
        const std::string_view bits = entry.substr(entry.size() - 3);
        made.permissions =
            (bits[0] == 'r' ? 4U : 0U) | (bits[1] == 'w' ? 2U : 0U) | (bits[2] == 'x' ? 1U : 0U);
        access.entries.push_back(made);
    }
    return access;
}

TEST(FileRulesTest, LinkFollowedOnlyWhenItIsTheUsersOrRoots) {
    constexpr std::uint32_t user = 2001;
    constexpr std::uint32_t coworker = 2002;
    EXPECT_TRUE(followsLink(user, user));
    EXPECT_TRUE(followsLink(0, user));
    EXPECT_FALSE(followsLink(coworker, user));
}

TEST(FileRulesTest, FileChangedWhileReadWhenBytesSizeOrTimeDiffer) {
    const FileStamp atOpen{10, 77};
    EXPECT_FALSE(changedWhileRead(atOpen, atOpen, 10));
    EXPECT_TRUE(changedWhileRead(atOpen, {10, 78}, 10));
    EXPECT_TRUE(changedWhileRead(atOpen, {12, 77}, 10));
}

TEST(FileRulesTest, SizeLimitAllowsSixtyFourMebibytesExactly) {
    EXPECT_FALSE(tooLargeToRead(evaluationFileSizeLimit));
    EXPECT_TRUE(tooLargeToRead(evaluationFileSizeLimit + 1));
}

TEST(FileRulesTest, ReadersOfAFileAreWithinTheEvaluationFilesOnlyWhereThatIsCertain) {
    constexpr std::uint32_t user = 2001;
    const FileAccess faculty{user, 3001, 0640, {}};
    // Its own group may read what it reads; another group, or everybody, may not.
    EXPECT_EQ(readersOf({user, 3001, 0640, {}}, faculty, user), Readers::within);
    EXPECT_EQ(readersOf({user, 3000, 0640, {}}, faculty, user), Readers::othersBeyond);
    EXPECT_EQ(readersOf({user, 3000, 0600, {}}, faculty, user), Readers::within);
    EXPECT_EQ(readersOf({user, 3001, 0644, {}}, faculty, user), Readers::othersBeyond);
    // Execute alone reads nothing.
    EXPECT_EQ(readersOf({user, 3001, 0751, {}}, faculty, user), Readers::within);
    // A co-worker's file, whatever its bits: they may give themselves access.
    EXPECT_EQ(readersOf({2002, 3000, 0620, {}}, faculty, user), Readers::ownerBeyond);
    EXPECT_EQ(readersOf({2002, 3000, 0644, {}}, {user, 3001, 0644, {}}, user), Readers::within);
    // Readable by others, but not by the members of its group, who may be anyone.
    EXPECT_EQ(readersOf({2002, 3000, 0600, {}}, {user, 3001, 0604, {}}, user), Readers::ownerBeyond);

    // Named entries count within the mask; a named user kept out may not read through a group.
    const FileAccess coworker = listed(user, 3001, 0640, "u::rw-,u:2002:r--,g::---,m::r--,o::---");
    EXPECT_EQ(readersOf(coworker, coworker, user), Readers::within);
    EXPECT_EQ(readersOf({2002, 3000, 0600, {}}, coworker, user), Readers::within);
    EXPECT_EQ(readersOf(listed(user, 3001, 0640, "u::rw-,u:2003:r--,g::---,m::r--,o::---"), coworker, user),
              Readers::othersBeyond);
    EXPECT_EQ(readersOf(listed(user, 3001, 0600, "u::rw-,u:2003:r--,g::---,m::---,o::---"), coworker, user),
              Readers::within);
    EXPECT_EQ(readersOf(faculty, listed(user, 3001, 0640, "u::rw-,u:2002:---,g::r--,m::r--,o::---"), user),
              Readers::othersBeyond);
    // A named group reads what its members may read.
    const FileAccess students = listed(user, 3001, 0640, "u::rw-,g::---,g:3002:r--,m::r--,o::---");
    EXPECT_EQ(readersOf(listed(user, 3000, 0640, "u::rw-,g::---,g:3002:r--,m::r--,o::---"), students, user),
              Readers::within);
    EXPECT_EQ(readersOf({user, 3002, 0640, {}}, students, user), Readers::within);
    EXPECT_EQ(readersOf({user, 3003, 0640, {}}, students, user), Readers::othersBeyond);
}

TEST(FileRulesTest, AccessGivenKeepsTheSourcesButForAnotherGroupAndWithinTheUmaskForDerivedFiles) {
    const FileAccess source = listed(2001, 3001, 0640, "u::rw-,u:2002:r--,g::r--,m::r--,o::---");
    EXPECT_EQ(accessToGive(source, 3001, std::nullopt).entries, source.entries);
    const FileAccess otherGroup = accessToGive(source, 3000, std::nullopt);
    EXPECT_EQ(otherGroup.entries, listed(2001, 3000, 0640, "u::rw-,u:2002:r--,g::---,m::r--,o::---").entries);
    EXPECT_EQ(readersOf(otherGroup, source, 2001), Readers::within);
    EXPECT_EQ(accessToGive({2001, 3001, 0640, {}}, 3000, std::nullopt).permissions, 0600U);
    // Where the source keeps its group out of what everybody else may do, its members would be everybody
    // else for a file of another group: everybody else gets nothing either.
    EXPECT_EQ(accessToGive({2001, 3002, 0604, {}}, 3000, std::nullopt).permissions, 0600U);
    EXPECT_EQ(accessToGive({2001, 3002, 0606, {}}, 3000, 022).permissions, 0600U);
    EXPECT_EQ(accessToGive({2001, 3002, 0644, {}}, 3000, std::nullopt).permissions, 0604U);
    EXPECT_EQ(
        accessToGive(listed(2001, 3002, 0644, "u::rw-,u:2002:r--,g::---,m::r--,o::r--"), 3000, std::nullopt)
            .entries,
        listed(2001, 3000, 0640, "u::rw-,u:2002:r--,g::---,m::r--,o::---").entries);
    // 999's new file keeps the set-ID bits; a derived file has none, and its read and write bits within
    // the umask where no entries say more.
    EXPECT_EQ(accessToGive({2001, 3001, 02775, {}}, 3001, std::nullopt).permissions, 02775U);
    EXPECT_EQ(accessToGive({2001, 3001, 02775, {}}, 3001, 022).permissions, 0644U);
    EXPECT_EQ(accessToGive({2001, 3001, 02775, source.entries}, 3001, 022).permissions, 0775U);
}

TEST(FileRulesTest, ReadersOfAFileAreThoseTheFoldersOnTheWayLetThrough) {
    const auto folder = [](std::uint32_t owner, std::uint32_t group, unsigned permissions) {
        FileStatus status;
        status.kind = FileKind::directory;
        status.owner = owner;
        status.group = group;
        status.permissions = permissions;
        return status;
    };
    const FileAccess everybody{2001, 3001, 0644, {}};
    EXPECT_EQ(readersThrough(everybody, {}).permissions, 0644U);
    EXPECT_EQ(readersThrough(everybody, {folder(0, 0, 0755), folder(2001, 2001, 0700)}).permissions, 0600U);
    EXPECT_EQ(readersThrough(everybody, {folder(2001, 3001, 0750)}).permissions, 0640U);
    EXPECT_EQ(readersThrough(everybody, {folder(2001, 3000, 0750)}).permissions, 0600U);
    EXPECT_EQ(readersThrough(everybody, {folder(2001, 3001, 0705)}).permissions, 0604U);
    // Named users and groups pass as the folder's owner, its group or everybody else.
    EXPECT_EQ(
        readersThrough(
            listed(2001, 3001, 0644, "u::rw-,u:2002:r--,u:2003:r--,g::r--,g:3002:r--,m::r--,o::r--"),
            {folder(2002, 3002, 0750)})
            .entries,
        listed(2001, 3001, 0644, "u::rw-,u:2002:r--,u:2003:---,g::---,g:3002:r--,m::r--,o::---").entries);
}

TEST(FileRulesTest, FileIsReplaceableUnlessReadOnlyProtectedOrAnothersInAStickyFolder) {
    constexpr std::uint32_t user = 2001;
    FileStatus file;
    file.permissions = 0644;
    file.owner = user;
    FileStatus folder;
    folder.permissions = 01777;
    const std::error_code may;
    EXPECT_EQ(whyNotReplaceable(file, may, {}, folder, user), std::nullopt);
    for (const std::errc refused : {std::errc::permission_denied, std::errc::read_only_file_system}) {
        EXPECT_EQ(whyNotReplaceable(file, std::make_error_code(refused), {}, folder, user),
                  "the file is read-only");
    }
    EXPECT_EQ(whyNotReplaceable(file, std::make_error_code(std::errc::io_error), {}, folder, user),
              std::nullopt);
    EXPECT_EQ(whyNotReplaceable(file, may, {true, false}, folder, user),
              "the file is immutable (its attribute i is set; see lsattr)");
    EXPECT_EQ(whyNotReplaceable(file, may, {false, true}, folder, user),
              "the file is append-only (its attribute a is set; see lsattr)");
    // Root too leaves a file without any write permission alone.
    file.permissions = 0444;
    EXPECT_EQ(whyNotReplaceable(file, may, {}, folder, 0), "the file is read-only");
    // Only the owner of a file in a sticky folder, of the folder, or root may rename over it.
    file.permissions = 0666;
    file.owner = 2002;
    EXPECT_EQ(whyNotReplaceable(file, may, {}, folder, user),
              "the folder is sticky and the file belongs to user 2002");
    EXPECT_EQ(whyNotReplaceable(file, may, {}, folder, 0), std::nullopt);
    folder.owner = user;
    EXPECT_EQ(whyNotReplaceable(file, may, {}, folder, user), std::nullopt);
    folder.owner = 0;
    folder.permissions = 0777;
    EXPECT_EQ(whyNotReplaceable(file, may, {}, folder, user), std::nullopt);
}

TEST(FileRulesTest, TemporaryNamesHaveExactlyTheirForm) {
    EXPECT_EQ(temporaryNameOf("data.txt", 0), ".data.txt.aaaaaa");
    EXPECT_EQ(temporaryNameOf("data.txt", 35 + 36 * 26), ".data.txt.90aaaa");
    for (const std::uint64_t random : {std::uint64_t{0}, std::uint64_t{123456789}, ~std::uint64_t{0}}) {
        EXPECT_TRUE(isTemporaryNameOf(temporaryNameOf("data.txt", random), "data.txt")) << random;
    }
    EXPECT_TRUE(isTemporaryNameOf(".data.txt.k3x9qa", "data.txt"));
    EXPECT_FALSE(isTemporaryNameOf(".dbta.txt.k3x9qa", "data.txt"));
    EXPECT_FALSE(isTemporaryNameOf(".data.txtxk3x9qa", "data.txt"));
    EXPECT_FALSE(isTemporaryNameOf(".data.txt.k3x9q", "data.txt"));
    EXPECT_FALSE(isTemporaryNameOf(".data.txt.K3X9QA", "data.txt"));
    EXPECT_FALSE(isTemporaryNameOf(".data.txt.k3x9qa.bak", "data.txt"));
    EXPECT_FALSE(isTemporaryNameOf("xdata.txt.k3x9qa", "data.txt"));
}

} // namespace
} // namespace courseeval
