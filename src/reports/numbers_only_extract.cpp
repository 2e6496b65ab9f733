#include "reports/numbers_only_extract.h"

#include "core/file_names.h"

namespace courseeval {

namespace {

constexpr int firstScoreColumn = 5;
constexpr int lastScoreColumn = 31;

} // namespace

void writeNumbersOnly(const DataFolder& folder, const EvaluationTables& tables, ActionLog& actionLog) {
    OutputFile extract = folder.create(numbersOnlyFileName);
    actionLog.logOpened(extract.logName(), OpenedFor::output, 2);
    for (int row = 1; row <= tables.nLines; ++row) {
        extract.writePiece(tables.courseName[row]);
        extract.writePiece("\t");
        extract.writePiece(tables.sectionNumber[row]);
        extract.writePiece("\t");
        extract.writePiece(tables.instructorName[row]);
        extract.writePiece("\t");
        // The table's fields stay where they are until the file is closed.
        extract.writeStored(tables.dataArray(row, 3));
        extract.writePiece("\t");
        extract.writeStored(tables.dataArray(row, 4));
        for (int column = firstScoreColumn; column <= lastScoreColumn; column += 2) {
            extract.writePiece("\t");
            extract.writeStored(tables.dataArray(row, column));
        }
        extract.writeLine("");
    }
    extract.close();
    actionLog.logAction("numbersOnly file should be written");
}

} // namespace courseeval
