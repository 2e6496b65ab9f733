#include "core/run_error.h"
#include "run/windows/ansi_text.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace courseeval {
namespace {

// The code page of Western Windows installations, where a folder named "café" is the bytes "caf\xe9".
class AnsiTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (GetACP() != 1252) {
            GTEST_SKIP() << "the ANSI code page here is " << GetACP() << ", not 1252";
        }
    }
};

TEST_F(AnsiTextTest, TypedTextBecomesTheAnsiBytesThatFileNamesUse) {
    EXPECT_EQ(ansiFromTyped(L"C:\\caf\u00e9 \u20ac"), "C:\\caf\xe9 \x80");
    EXPECT_EQ(ansiFromTyped(L""), "");
    EXPECT_EQ(wideFromAnsi("caf\xe9 \x80"), L"caf\u00e9 \u20ac");
}

TEST_F(AnsiTextTest, ACharacterTheCodePageLacksIsAnErrorNotANearMatch) {
    const auto errorOf = [](const std::wstring& typed) -> std::string {
        try {
            return "converted to \"" + ansiFromTyped(typed) + "\"";
        } catch (const RunError& error) {
            return error.what();
        }
    };
    // U+0100 has the best fit "A", which would name another folder.
    EXPECT_EQ(errorOf(L"D:\\\u0100rhus"),
              "the answer \"D:\\?rhus\" holds a character that the ANSI code page (1252) cannot hold");
    EXPECT_EQ(errorOf(L"\u65e5\u672c"),
              "the answer \"??\" holds a character that the ANSI code page (1252) cannot hold");
}

} // namespace
} // namespace courseeval
