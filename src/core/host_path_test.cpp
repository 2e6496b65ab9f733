#include "core/host_path.h"

#include <gtest/gtest.h>

namespace courseeval {
namespace {

TEST(HostPathTest, FolderTextAndFileNameAreJoinedWithNothingBetween) {
    EXPECT_EQ(hostPath("data/", "x.txt"), "data/x.txt");
    EXPECT_EQ(hostPath("", "x.txt"), "x.txt");
}

#ifdef _WIN32
TEST(HostPathTest, WindowsUsesTheFolderAsItStands) {
    EXPECT_EQ(hostPath("h:\\tarnholm_2\\", "x.txt"), "h:\\tarnholm_2\\x.txt");
    EXPECT_EQ(hostPath("C:/data\\", "x.txt"), "C:/data\\x.txt");
}
#else
TEST(HostPathTest, PosixTurnsEveryBackslashIntoASlash) {
    EXPECT_EQ(hostPath("h:\\tarnholm_2\\", "x.txt"), "h:/tarnholm_2/x.txt");
    EXPECT_EQ(hostPath("/tmp/a\\b\\", "c\\d.txt"), "/tmp/a/b/c/d.txt");
}
#endif

} // namespace
} // namespace courseeval
