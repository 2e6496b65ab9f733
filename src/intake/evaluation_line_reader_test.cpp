#include "intake/evaluation_line_reader.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace courseeval {
namespace {

std::vector<std::string> linesOf(const std::string& bytes) {
    EvaluationLineReader reader(bytes);
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.readLine(line)) {
        lines.emplace_back(line);
    }
    return lines;
}

using Lines = std::vector<std::string>;

TEST(EvaluationLineReaderTest, CrAndCrLfEndLinesAndLoneLfIsAnOrdinaryCharacter) {
    EXPECT_EQ(linesOf("a\r\nb\rc\nd\r\n"), (Lines{"a", "b", "c\nd"}));
    EXPECT_EQ(linesOf("a\n\nb\n"), (Lines{"a\n\nb\n"}));
    EXPECT_EQ(linesOf("a\r\r\n\n"), (Lines{"a", "", "\n"}));
}

TEST(EvaluationLineReaderTest, LineEndAtTheEndStartsNoFurtherLine) {
    EXPECT_EQ(linesOf(""), Lines{});
    EXPECT_EQ(linesOf("\r\n"), (Lines{""}));
    EXPECT_EQ(linesOf("last"), (Lines{"last"}));
    EXPECT_EQ(linesOf("\r\n\r\n"), (Lines{"", ""}));
}

} // namespace
} // namespace courseeval
