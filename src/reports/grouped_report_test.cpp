#include "common/run_error.h"
#include "reports/course_grouping.h"
#include "reports/grouped_report.h"
#include "testing/small_disk.h"
#include "testing/stage_fixture.h"

#include <filesystem>
#include <gmock/gmock.h>

namespace courseeval {
namespace {

using ::testing::ElementsAre;

class GroupedReportTest : public testing::StageFixture {
protected:
    void groupAndReport() {
        groupCourses(*tables, actionLog);
        writeGroupedReport(dataFolder, *tables, actionLog);
    }
};

TEST_F(GroupedReportTest, RecordsStandGroupByGroupWithTheirCrossCheckLines) {
    const std::vector<std::vector<std::string>> rows = {
        testing::sampleRecord(1, "A"), testing::sampleRecord(2, "B"), testing::sampleRecord(3, "A"),
        testing::sampleRecord(4, "C")};
    fillRows(rows);
    groupAndReport();
    EXPECT_EQ(bytesOf(groupedReportFileName), testing::recordLine(rows[0]) + testing::recordLine(rows[2]) +
                                                  testing::recordLine(rows[1]) +
                                                  testing::recordLine(rows[3]));
    EXPECT_EQ(bytesOf(crossCheckFileName), " 1  1\tA\r\n 1  2\tA\r\n 2  1\tB\r\n 3  1\tC\r\n");
    EXPECT_THAT(
        logEntries(),
        ElementsAre("uniqueCourses array has been identified",
                    "occurrence(p, nOccurence) array has been read",
                    folderPath + "sampleEvalData_sorted_by_unique_info.txt opened For Output As #2",
                    folderPath + "checking_sampleEvalData_sorted_by_unique_info.txt opened For Output As #3",
                    "files have been written from dataArray(occurrence(p, j)) array",
                    "number of nonempty fields written totals  172"));
}

TEST_F(GroupedReportTest, OnlyNonEmptyCellsOfWrittenRecordsAreCounted) {
    // Row 1: two non-empty cells and an empty one; row 2 has no description and is not written; row 3:
    // 43 non-empty cells, an empty 44th and a 45th, of which only the first 43 count.
    std::vector<std::string> wide = testing::sampleRecord(3, "wide");
    wide.push_back("");
    wide.push_back("c45");
    fillRows({{"1", "narrow", ""}, {"2", "", "x", "y"}, wide});
    groupAndReport();
    EXPECT_EQ(logEntries().back(), "number of nonempty fields written totals  45");
    EXPECT_EQ(testing::splitCrLfLines(bytesOf(groupedReportFileName)).front(),
              "1\tnarrow\t" + std::string(41, '\t'));
}

TEST_F(GroupedReportTest, NoGroupsGiveEmptyFilesAndACountOfZero) {
    fillRows({{"1", ""}});
    groupAndReport();
    EXPECT_EQ(bytesOf(groupedReportFileName), "");
    EXPECT_EQ(bytesOf(crossCheckFileName), "");
    EXPECT_EQ(logEntries().back(), "number of nonempty fields written totals  0");
}

#ifndef _WIN32
TEST_F(GroupedReportTest, FullDiskForTheCrossCheckIsAnErrorAfterTheOpeningEntries) {
    // The report, closed first, fills the disk; the cross-check finds it full.
    const std::string report = testing::recordLine(testing::sampleRecord(1, "A"));
    const std::filesystem::path disk = folder.path() / "disk";
    std::filesystem::create_directory(disk);
    const testing::FullDiskAfter full(disk, report.size());
    const std::string diskPath = (disk / "").string();
    fillRows({testing::sampleRecord(1, "A")});
    groupCourses(*tables, actionLog);
    EXPECT_THROW(writeGroupedReport(DataFolder(diskPath), *tables, actionLog), RunError);
    EXPECT_EQ(logEntries().back(),
              diskPath + "checking_sampleEvalData_sorted_by_unique_info.txt opened For Output As #3");
    // The report itself was complete when the error came, and keeps its record.
    EXPECT_EQ(testing::readBytes(diskPath + std::string(groupedReportFileName)), report);
}
#endif

} // namespace
} // namespace courseeval
