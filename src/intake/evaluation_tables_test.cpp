#include "intake/evaluation_tables.h"
#include "testing/tables_as_new.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace courseeval {
namespace {

TEST(EvaluationTablesTest, UnsetCellsReadAsEmptyTextAndRowZero) {
    const auto tables = std::make_unique<EvaluationTables>();
    EXPECT_EQ(tables->dataArray(0, 2), "");
    EXPECT_EQ(tables->occurrence(1, 1), 0);
    EXPECT_EQ(tables->nLines, 0);
    EXPECT_EQ(tables->nUnique, 0);
    testing::setRow(*tables, 1, {"", ""});
    EXPECT_EQ(tables->dataArray(1, 2), tables->dataArray(2, 2));
}

TEST(EvaluationTablesTest, LastIndexOfEveryDimensionIsAccepted) {
    const auto tables = std::make_unique<EvaluationTables>();
    std::vector<std::string> fields(50);
    fields.back() = "x";
    testing::setRow(*tables, 1000, fields);
    tables->occurrence(100, 1000) = 7;
    tables->courseName[1000] = "c";
    tables->uniqueCourses[1000] = "u";
    EXPECT_EQ(tables->dataArray(1000, 50), "x");
    EXPECT_EQ(tables->occurrence(100, 1000), 7);
}

TEST(EvaluationTablesTest, CellsAreDistinctKeepTheirLastTextAndResetToNew) {
    const auto tables = std::make_unique<EvaluationTables>();
    tables->occurrence(1, 2) = 12;
    tables->occurrence(2, 1) = 21;
    testing::setRow(*tables, 2, {"first"});
    testing::setRow(*tables, 2, {"second"});
    testing::setRow(*tables, 1, {"", "cd", ""});
    EXPECT_EQ(tables->occurrence(1, 2), 12);
    EXPECT_EQ(tables->occurrence(2, 1), 21);
    EXPECT_EQ(tables->occurrence(1, 1), 0);
    EXPECT_EQ(tables->dataArray(2, 1), "second");
    EXPECT_EQ(tables->dataArray(1, 2), "cd");
    EXPECT_EQ(tables->dataArray(1, 3), "");
    EXPECT_EQ(tables->dataArray(1, 1), "");

    tables->reset();
    EXPECT_EQ(testing::firstCellNotAsNew(*tables), "");
    EXPECT_EQ(tables->occurrence(2, 1), 0);
    EXPECT_EQ(tables->dataArray(1, 2), "");
}

TEST(EvaluationTablesTest, CellsAreVisitedInOrderFromColumnZeroToPastTheLastSet) {
    const auto tables = std::make_unique<EvaluationTables>();
    testing::setRow(*tables, 1, {"a", "", "c"});
    std::vector<std::string> visited;
    tables->dataArray.forEachCell(1, 0, 4, [&visited](std::string_view cell) { visited.emplace_back(cell); });
    EXPECT_EQ(visited, (std::vector<std::string>{"", "a", "", "c", ""}));
}

TEST(EvaluationTablesTest, TextPastWhatACellCanReachIsRefusedBeforeAnyIsRead) {
    const auto tables = std::make_unique<EvaluationTables>();
    tables->dataArray.store("x");
    bool read = false;
    EXPECT_THROW(tables->dataArray.storeRead(std::numeric_limits<std::uint32_t>::max(),
                                             [&read](char*, std::size_t) {
                                                 read = true;
                                                 return std::size_t{0};
                                             }),
                 std::length_error);
    EXPECT_FALSE(read);
}

TEST(EvaluationTablesTest, IndexPastTheRangeIsAnErrorNamingTableDimensionAndIndex) {
    const auto tables = std::make_unique<EvaluationTables>();
    const auto messageOf = [](auto&& access) -> std::string {
        try {
            access();
        } catch (const TableRangeError& error) {
            return error.what();
        }
        return "no error";
    };
    EXPECT_EQ(messageOf([&] { testing::setRow(*tables, 1001, {"x"}); }), "'dataArray' has no row 1001");
    EXPECT_EQ(messageOf([&] { testing::setRow(*tables, 1, std::vector<std::string>(51, "x")); }),
              "'dataArray' has no column 51");
    EXPECT_EQ(messageOf([&] { (void)tables->dataArray(1, -1); }), "'dataArray' has no column -1");
    EXPECT_EQ(messageOf([&] { tables->occurrence(101, 1) = 1; }), "'occurrence' has no group 101");
    EXPECT_EQ(messageOf([&] { tables->occurrence(1, 1001) = 1; }), "'occurrence' has no slot 1001");
    EXPECT_EQ(messageOf([&] { tables->sectionNumber[1001] = "x"; }), "'sectionNumber' has no row 1001");
    EXPECT_EQ(messageOf([&] { tables->uniqueCourses[-1] = "x"; }), "'uniqueCourses' has no slot -1");
}

} // namespace
} // namespace courseeval
