#include "reports/numbers_only_extract.h"

#include "common/file_names.h"

#include <array>
#include <string_view>

namespace courseeval {

namespace {

constexpr int firstScoreColumn = 5;
constexpr int lastScoreColumn = 31;

} // namespace

void writeNumbersOnly(const DataFolder& folder, const EvaluationTables& tables, ActionLog& actionLog) {
    OutputFile extract = folder.create(numbersOnlyFileName);
    actionLog.logOpened(extract.logName(), OpenedFor::output, 2);
    // The parts of the description, columns 3 and 4, and every other column from 5 to 31. The table's
    // fields stay where they are until the file is closed.
    std::array<std::string_view, 5 + (lastScoreColumn - firstScoreColumn) / 2 + 1> fields;
    for (int row = 1; row <= tables.nLines; ++row) {
        auto field = fields.begin();
        *field++ = tables.courseName[row];
        *field++ = tables.sectionNumber[row];
        *field++ = tables.instructorName[row];
        *field++ = tables.dataArray(row, 3);
        *field++ = tables.dataArray(row, 4);
        for (int column = firstScoreColumn; column <= lastScoreColumn; column += 2) {
            *field++ = tables.dataArray(row, column);
        }
        extract.writeStoredLine(fields);
    }
    extract.close();
    actionLog.logAction("numbersOnly file should be written");
}

} // namespace courseeval
