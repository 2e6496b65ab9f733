#include "reports/course_grouping.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace courseeval {

namespace {

// "1st", "2nd", "3rd", "4th", ..., "11th", "12th", ..., "101st".
std::string ordinalText(int number) {
    const int lastTwo = number % 100;
    const int last = number % 10;
    const char* suffix = "th";
    if (lastTwo < 11 || lastTwo > 13) {
        suffix = last == 1 ? "st" : last == 2 ? "nd" : last == 3 ? "rd" : "th";
    }
    return std::to_string(number) + suffix;
}

} // namespace

void groupCourses(EvaluationTables& tables, ActionLog& actionLog) {
    // First pass: the distinct descriptions, found through a hash index instead of comparing every row
    // with every group. groupOfRow remembers each row's group (0: none) for the second pass.
    std::unordered_map<std::string_view, int> groupOfDescription;
    std::vector<int> groupOfRow(static_cast<std::size_t>(tables.nLines) + 1, 0);
    tables.nUnique = 0;
    for (int row = 1; row <= tables.nLines; ++row) {
        const std::string_view description = tables.dataArray(row, 2);
        if (description.empty()) {
            continue;
        }
        const auto [entry, isNew] = groupOfDescription.try_emplace(description, tables.nUnique + 1);
        if (isNew) {
            ++tables.nUnique;
            tables.uniqueCourses[tables.nUnique] = description;
        }
        groupOfRow[static_cast<std::size_t>(row)] = entry->second;
    }
    actionLog.logAction("uniqueCourses array has been identified");

    // Second pass: each row takes the next slot of its group, so every group lists its rows in ascending
    // order. nOccurence counts the rows of each group so far.
    std::vector<int> nOccurence(static_cast<std::size_t>(tables.nUnique) + 1, 0);
    for (int row = 1; row <= tables.nLines; ++row) {
        const int group = groupOfRow[static_cast<std::size_t>(row)];
        if (group == 0) {
            continue;
        }
        const int slot = ++nOccurence[static_cast<std::size_t>(group)];
        try {
            tables.occurrence(group, slot) = row;
        } catch (const TableRangeError&) {
            throw RecordError(row, "more than " + std::to_string(EvaluationTables::maxGroups) +
                                       " distinct descriptions (this record's is the " + ordinalText(group) +
                                       ")");
        }
    }
    actionLog.logAction("occurrence(p, nOccurence) array has been read");
}

} // namespace courseeval
