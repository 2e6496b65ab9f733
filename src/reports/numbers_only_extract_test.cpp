#include "intake/description_parser.h"
#include "reports/numbers_only_extract.h"
#include "testing/stage_fixture.h"

#include <algorithm>
#include <gmock/gmock.h>

namespace courseeval {
namespace {

class NumbersOnlyExtractTest : public testing::StageFixture {};

TEST_F(NumbersOnlyExtractTest, ParsedFieldsThenColumnsThreeFourAndTheOddColumnsToThirtyOne) {
    std::vector<std::string> generated = {"1234567", "bio 211 Section50. Instructor: dunmoor fennick",
                                          "bio-211", "50"};
    for (int column = 5; column <= 43; ++column) {
        generated.push_back("row  1column " + std::to_string(column));
    }
    fillRows({generated, {"2", "Seminar", "sem-1", "10", "4.5"}, {}});
    parseDescriptions(*tables, actionLog);
    writeNumbersOnly(dataFolder, *tables, actionLog);

    std::string first = "bio 211\t50\tdunmoor fennick\tbio-211\t50";
    for (int column = 5; column <= 31; column += 2) {
        first += "\trow  1column " + std::to_string(column);
    }
    const auto lines = testing::splitCrLfLines(bytesOf(numbersOnlyFileName));
    ASSERT_EQ(lines.size(), 3U);
    EXPECT_EQ(lines[0], first);
    EXPECT_EQ(lines[1], "\t\t\tsem-1\t10\t4.5" + std::string(13, '\t'));
    EXPECT_EQ(lines[2], std::string(18, '\t'));
    for (const std::string& line : lines) {
        EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 18);
    }
    EXPECT_THAT(logEntries(),
                ::testing::ElementsAre(
                    "dataArray column 2 has been parsed to identify courseName and sectionNumber arrays",
                    folderPath + "sampleEvalData_numbers_only.txt opened For Output As #2",
                    "numbersOnly file should be written"));
}

} // namespace
} // namespace courseeval
