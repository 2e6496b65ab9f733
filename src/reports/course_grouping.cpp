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
        const std::string& description = tables.dataArray(row, 2);
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

    // Second pass: each group's rows, group by group and ascending within a group.
    std::vector<std::vector<int>> rowsOfGroup(static_cast<std::size_t>(tables.nUnique) + 1);
    for (int row = 1; row <= tables.nLines; ++row) {
        rowsOfGroup[static_cast<std::size_t>(groupOfRow[static_cast<std::size_t>(row)])].push_back(row);
    }
    for (int group = 1; group <= tables.nUnique; ++group) {
        int nOccurence = 0;
        for (const int row : rowsOfGroup[static_cast<std::size_t>(group)]) {
            ++nOccurence;
            if (group > EvaluationTables::maxGroups) {
                throw TableRangeError("occurrence", "group", group,
                                      "more than " + std::to_string(EvaluationTables::maxGroups) +
                                          " distinct descriptions; row " + std::to_string(row) +
                                          " has description number " + std::to_string(group));
            }
            tables.occurrence(group, nOccurence) = row;
        }
    }
    actionLog.logAction("occurrence(p, nOccurence) array has been read");
}

} // namespace courseeval
