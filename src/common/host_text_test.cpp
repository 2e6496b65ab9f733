#include "common/host_text.h"
#include "common/run_error.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace courseeval {
namespace {

// The code page of Western Windows installations, where a folder named "café" is the bytes "caf\xe9".
class HostTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (GetACP() != 1252) {
            GTEST_SKIP() << "the ANSI code page here is " << GetACP() << ", not 1252";
        }
    }
};

TEST_F(HostTextTest, StoredInTheAnsiCodePageWhereItHoldsEveryCharacterInUtf8Otherwise) {
    EXPECT_EQ(storedBytes("C:\\caf\xC3\xA9 \xE2\x82\xAC"), "C:\\caf\xE9 \x80");
    EXPECT_EQ(storedBytes("H:\\\xC5\x81\xC3\xB3\x64\xC5\xBA"), "H:\\\xC5\x81\xC3\xB3\x64\xC5\xBA");
}

TEST_F(HostTextTest, AnswerBytesAreUtf8WhereValidAnsiOtherwiseWithoutAByteOrderMark) {
    EXPECT_EQ(textFromAnswerBytes("H:\\caf\xC3\xA9"), "H:\\caf\xC3\xA9");
    EXPECT_EQ(textFromAnswerBytes("H:\\caf\xE9"), "H:\\caf\xC3\xA9");
    EXPECT_EQ(textFromAnswerBytes("\xEF\xBB\xBFH:\\data"), "H:\\data");
    EXPECT_THROW(textFromWide(L"C:\\\xD800"), RunError);
}

TEST(HostTextPathTest, LongPathsTakeTheExtendedLengthForm) {
    EXPECT_EQ(extendedLengthPath(L"C:\\data\\x.txt"), L"\\\\?\\C:\\data\\x.txt");
    EXPECT_EQ(extendedLengthPath(L"\\\\server\\share\\x.txt"), L"\\\\?\\UNC\\server\\share\\x.txt");
    EXPECT_EQ(extendedLengthPath(L"\\\\?\\C:\\x.txt"), L"\\\\?\\C:\\x.txt");
}

} // namespace
} // namespace courseeval
