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

TEST(FileRulesTest, DerivedFileLosesOnlyTheReadPermissionsItsSourceLacks) {
    EXPECT_EQ(readPermissionsBeyond(0644, 0600), 0044U);
    EXPECT_EQ(readPermissionsBeyond(0664, 0640), 0004U);
    EXPECT_EQ(readPermissionsBeyond(0600, 0644), 0U);
    EXPECT_TRUE(mayHoldDerivedData(2001, 2001, 0600));
    EXPECT_TRUE(mayHoldDerivedData(2002, 2001, 0640));
    EXPECT_FALSE(mayHoldDerivedData(2002, 2001, 0600));
    // An access-list entry the evaluation file lacks lets someone else read it.
    const FileAccess source{0640, ""};
    EXPECT_FALSE(moreReadableThan({0640, ""}, source));
    EXPECT_TRUE(moreReadableThan({0640, "user::rw-,user:2002:r--,group::r--,mask::r--,other::---"}, source));
    EXPECT_FALSE(moreReadableThan({0640, "user::rw-,user:2002:r--"}, {0640, "user::rw-,user:2002:r--"}));
}

TEST(FileRulesTest, TemporaryNamesHaveExactlyTheirForm) {
    EXPECT_EQ(temporaryNameOf("data.txt", "k3x9qa"), ".data.txt.k3x9qa");
    EXPECT_TRUE(isTemporaryNameOf(".data.txt.k3x9qa", "data.txt"));
    EXPECT_FALSE(isTemporaryNameOf(".data.txt.k3x9q", "data.txt"));
    EXPECT_FALSE(isTemporaryNameOf(".data.txt.K3X9QA", "data.txt"));
    EXPECT_FALSE(isTemporaryNameOf(".data.txt.k3x9qa.bak", "data.txt"));
    EXPECT_FALSE(isTemporaryNameOf("xdata.txt.k3x9qa", "data.txt"));
}

} // namespace
} // namespace courseeval
