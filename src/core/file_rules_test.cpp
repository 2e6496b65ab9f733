#include "core/file_rules.h"

#include <gtest/gtest.h>

namespace courseeval {
namespace {

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
    const FileAccess faculty{user, 3001, 0640, ""};
    // Its own group may read what it reads; another group, or everybody, may not.
    EXPECT_EQ(readersOf({user, 3001, 0640, ""}, faculty, user), Readers::within);
    EXPECT_EQ(readersOf({user, 3000, 0640, ""}, faculty, user), Readers::othersBeyond);
    EXPECT_EQ(readersOf({user, 3000, 0600, ""}, faculty, user), Readers::within);
    EXPECT_EQ(readersOf({user, 3001, 0644, ""}, faculty, user), Readers::othersBeyond);
    // A co-worker's file, whatever its bits: they may give themselves access.
    EXPECT_EQ(readersOf({2002, 3000, 0620, ""}, faculty, user), Readers::ownerBeyond);
    EXPECT_EQ(readersOf({2002, 3000, 0644, ""}, {user, 3001, 0644, ""}, user), Readers::within);
    // Readable by others, but not by the members of its group, who may be anyone.
    EXPECT_EQ(readersOf({2002, 3000, 0600, ""}, {user, 3001, 0604, ""}, user), Readers::ownerBeyond);

    // Named entries count within the mask; a named user kept out may not read through a group.
    const FileAccess listed{user, 3001, 0640, "u::rw-,u:2002:r--,g::---,m::r--,o::---"};
    EXPECT_EQ(readersOf(listed, listed, user), Readers::within);
    EXPECT_EQ(readersOf({2002, 3000, 0600, ""}, listed, user), Readers::within);
    EXPECT_EQ(readersOf({user, 3001, 0640, "u::rw-,u:2003:r--,g::---,m::r--,o::---"}, listed, user),
              Readers::othersBeyond);
    EXPECT_EQ(readersOf({user, 3001, 0600, "u::rw-,u:2003:r--,g::---,m::---,o::---"}, listed, user),
              Readers::within);
    EXPECT_EQ(readersOf(faculty, {user, 3001, 0640, "u::rw-,u:2002:---,g::r--,m::r--,o::---"}, user),
              Readers::othersBeyond);
}

TEST(FileRulesTest, NewFileOfAnotherGroupGivesThatGroupNothing) {
    const FileAccess source{2001, 3001, 0640, "u::rw-,u:2002:r--,g::r--,m::r--,o::---"};
    EXPECT_EQ(accessFor(source, 3001).extendedEntries, source.extendedEntries);
    EXPECT_EQ(accessFor(source, 3000).extendedEntries, "u::rw-,u:2002:r--,g::---,m::r--,o::---");
    EXPECT_EQ(readersOf(accessFor(source, 3000), source, 2001), Readers::within);
    EXPECT_EQ(accessFor({2001, 3001, 0640, ""}, 3000).permissions, 0600U);
}

TEST(FileRulesTest, TemporaryNamesHaveExactlyTheirForm) {
    EXPECT_EQ(temporaryNameOf("data.txt", "k3x9qa"), ".data.txt.k3x9qa");
    EXPECT_TRUE(isTemporaryNameOf(".data.txt.k3x9qa", "data.txt"));
    EXPECT_TRUE(isTemporaryNameOf(".data.txt.az09za", "data.txt"));
    EXPECT_FALSE(isTemporaryNameOf(".dbta.txt.k3x9qa", "data.txt"));
    EXPECT_FALSE(isTemporaryNameOf(".data.txtxk3x9qa", "data.txt"));
    EXPECT_FALSE(isTemporaryNameOf(".data.txt.k3x9q", "data.txt"));
    EXPECT_FALSE(isTemporaryNameOf(".data.txt.K3X9QA", "data.txt"));
    EXPECT_FALSE(isTemporaryNameOf(".data.txt.k3x9qa.bak", "data.txt"));
    EXPECT_FALSE(isTemporaryNameOf("xdata.txt.k3x9qa", "data.txt"));
}

} // namespace
} // namespace courseeval
