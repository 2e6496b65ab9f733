#include "reports/course_grouping.h"

#include <string_view>
#include <unordered_map>
#include <vector>

namespace courseeval {

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
        } catch (const TableRangeError& overflow) {
            throw RunError(std::string(overflow.what()) + " (more than " +
                           std::to_string(EvaluationTables::maxGroups) + " distinct descriptions; row " +
                           std::to_string(row) + " has description number " + std::to_string(group) + ")");
        }
    }
    actionLog.logAction("occurrence(p, nOccurence) array has been read");
}

} // namespace courseeval
