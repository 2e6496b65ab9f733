#include "common/run_error.h"
#include "reports/course_grouping.h"
#include "testing/stage_fixture.h"

#include <gmock/gmock.h>

namespace courseeval {
namespace {

using ::testing::ElementsAre;

class CourseGroupingTest : public testing::StageFixture {
protected:
    // Fills one row per description (column 2), with a record number in column 1.
    void fillDescriptions(const std::vector<std::string>& descriptions) {
        std::vector<std::vector<std::string>> rows;
        rows.reserve(descriptions.size());
        for (const std::string& description : descriptions) {
            rows.push_back({std::to_string(rows.size() + 1), description});
        }
        fillRows(rows);
    }
    std::vector<std::string> groups() const {
        std::vector<std::string> texts;
        for (int group = 1; group <= tables->nUnique; ++group) {
            texts.push_back(tables->uniqueCourses[group]);
        }
        return texts;
    }
    // The filled slots of `group`, up to the first unset one.
    std::vector<int> rowsOf(int group) const {
        std::vector<int> rows;
        for (int slot = 1; tables->occurrence(group, slot) != 0; ++slot) {
            rows.push_back(tables->occurrence(group, slot));
        }
        return rows;
    }
};

TEST_F(CourseGroupingTest, GroupsInOrderOfFirstAppearanceWithRowsAscending) {
    fillDescriptions({"A", "B", "A", "C"});
    groupCourses(*tables, actionLog);
    EXPECT_THAT(groups(), ElementsAre("A", "B", "C"));
    EXPECT_THAT(rowsOf(1), ElementsAre(1, 3));
    EXPECT_THAT(rowsOf(2), ElementsAre(2));
    EXPECT_THAT(rowsOf(3), ElementsAre(4));
    EXPECT_EQ(tables->occurrence(4, 1), 0);
    EXPECT_THAT(logEntries(), ElementsAre("uniqueCourses array has been identified",
                                          "occurrence(p, nOccurence) array has been read"));
}

TEST_F(CourseGroupingTest, DescriptionsAreComparedExactly) {
    fillDescriptions({"bio 211", "Bio 211", "bio 211 ", "bio 211"});
    groupCourses(*tables, actionLog);
    EXPECT_THAT(groups(), ElementsAre("bio 211", "Bio 211", "bio 211 "));
    EXPECT_THAT(rowsOf(1), ElementsAre(1, 4));
}

TEST_F(CourseGroupingTest, EmptyDescriptionsBelongToNoGroup) {
    fillDescriptions({"", "A", "", "A", ""});
    groupCourses(*tables, actionLog);
    EXPECT_THAT(groups(), ElementsAre("A"));
    EXPECT_THAT(rowsOf(1), ElementsAre(2, 4));
}

TEST_F(CourseGroupingTest, OneDescriptionForAThousandRowsFillsEverySlot) {
    fillDescriptions(std::vector<std::string>(1000, "same"));
    groupCourses(*tables, actionLog);
    EXPECT_EQ(tables->nUnique, 1);
    for (int slot = 1; slot <= 1000; ++slot) {
        ASSERT_EQ(tables->occurrence(1, slot), slot);
    }
}

TEST_F(CourseGroupingTest, NoRowsGiveNoGroupsAndBothEntries) {
    groupCourses(*tables, actionLog);
    EXPECT_EQ(tables->nUnique, 0);
    EXPECT_EQ(logEntries().size(), 2U);
}

TEST_F(CourseGroupingTest, HundredGroupsFitAndTheHundredFirstEndsTheRunAfterTheFirstEntry) {
    std::vector<std::string> descriptions;
    for (int n = 1; n <= 100; ++n) {
        descriptions.push_back("course " + std::to_string(n));
    }
    descriptions.push_back("course 1");
    fillDescriptions(descriptions);
    groupCourses(*tables, actionLog);
    EXPECT_EQ(tables->nUnique, 100);
    EXPECT_THAT(rowsOf(1), ElementsAre(1, 101));

    descriptions.push_back("course 101");
    fillDescriptions(descriptions);
    try {
        groupCourses(*tables, actionLog);
        FAIL() << "a hundred and first group was accepted";
    } catch (const RecordError& error) {
        EXPECT_EQ(error.row(), 102);
        EXPECT_STREQ(error.what(), "more than 100 distinct descriptions (this record's is the 101st)");
    }
    EXPECT_EQ(logEntries().back(), "uniqueCourses array has been identified");
}

} // namespace
} // namespace courseeval
