#include "common/number_text.h"

#include <gtest/gtest.h>

namespace courseeval {
namespace {

TEST(NumberTextTest, IsABlankThenTheDigitsUpToTheLargestInt) {
    EXPECT_EQ(numberText(0), " 0");
    EXPECT_EQ(numberText(7), " 7");
    EXPECT_EQ(numberText(2147483647), " 2147483647");
}

} // namespace
} // namespace courseeval
