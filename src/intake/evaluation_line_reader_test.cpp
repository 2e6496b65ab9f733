#include "core/data_folder.h"
#include "core/file_names.h"
#include "intake/evaluation_line_reader.h"
#include "testing/file_bytes.h"
#include "testing/temp_folder.h"

#include <gtest/gtest.h>

namespace courseeval {
namespace {

using testing::TempFolder;

std::vector<std::string> linesOf(const std::string& bytes) {
    TempFolder folder;
    testing::writeBytes(folder.file(std::string(evaluationFileName)), bytes);
    DataFolder dataFolder(folder.folderPath());
    EvaluationLineReader reader(dataFolder.openEvaluationFile());
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.readLine(line)) {
        lines.emplace_back(line);
    }
    reader.close();
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

TEST(EvaluationLineReaderTest, LinesLongerThanTheReadBufferAndCrLfAcrossItsEdge) {
    const std::string longLine(200 * 1024 + 3, 'x');
    // The CR of the first line end is the last byte of the first 64 KiB block, its LF the first of the next.
    const std::string edgeLine(64 * 1024 - 1, 'y');
    EXPECT_EQ(linesOf(edgeLine + "\r\n" + longLine + "\r\nz"), (Lines{edgeLine, longLine, "z"}));
}

} // namespace
} // namespace courseeval
