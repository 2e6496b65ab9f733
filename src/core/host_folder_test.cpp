#include "core/host_folder.h"

#include <gtest/gtest.h>

namespace courseeval {
namespace {

#ifdef _WIN32
TEST(HostFolderNameTest, WindowsUsesTheFolderAsItStands) {
    EXPECT_EQ(hostFolderName("h:\\tarnholm_2\\"), "h:\\tarnholm_2\\");
    EXPECT_EQ(hostFolderName("C:/data\\"), "C:/data\\");
}
#else
TEST(HostFolderNameTest, PosixTurnsEveryBackslashIntoASlash) {
    EXPECT_EQ(hostFolderName("h:\\tarnholm_2\\"), "h:/tarnholm_2/");
    EXPECT_EQ(hostFolderName("/tmp/a\\b\\"), "/tmp/a/b/");
}
#endif

} // namespace
} // namespace courseeval
