#include "testing/tables_as_new.h"

namespace courseeval::testing {

namespace {

std::string cellText(const char* table, int index, const std::string& text) {
    return std::string(table) + "[" + std::to_string(index) + "] holds \"" + text + "\"";
}

} // namespace

std::string firstCellNotAsNew(const EvaluationTables& tables) {
    if (tables.nLines != 0 || tables.nUnique != 0) {
        return "nLines or nUnique is not 0";
    }
    for (int row = 0; row <= EvaluationTables::maxRows; ++row) {
        for (int column = 0; column <= EvaluationTables::maxColumns; ++column) {
            if (!tables.dataArray(row, column).empty()) {
                return "dataArray(" + std::to_string(row) + ", " + std::to_string(column) + ") holds \"" +
                       std::string(tables.dataArray(row, column)) + "\"";
            }
        }
        const std::pair<const char*, const CheckedArray<std::string>*> texts[] = {
            {"courseName", &tables.courseName},
            {"sectionNumber", &tables.sectionNumber},
            {"instructorName", &tables.instructorName},
            {"uniqueCourses", &tables.uniqueCourses}};
        for (const auto& [name, array] : texts) {
            if (!(*array)[row].empty()) {
                return cellText(name, row, (*array)[row]);
            }
        }
    }
    for (int group = 0; group <= EvaluationTables::maxGroups; ++group) {
        for (int slot = 0; slot <= EvaluationTables::maxSlots; ++slot) {
            if (tables.occurrence(group, slot) != 0) {
                return "occurrence(" + std::to_string(group) + ", " + std::to_string(slot) + ") holds " +
                       std::to_string(tables.occurrence(group, slot));
            }
        }
    }
    return {};
}

} // namespace courseeval::testing

namespace courseeval::testing {

void setRow(EvaluationTables& tables, int row, const std::vector<std::string>& fields) {
    std::string line;
    for (const std::string& field : fields) {
        line.append(field).append("\t");
    }
    tables.dataArray.assignStoredFields(row, tables.dataArray.store(line), line.size(), '\t');
}

} // namespace courseeval::testing
