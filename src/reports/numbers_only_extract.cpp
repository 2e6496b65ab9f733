#include "reports/numbers_only_extract.h"

#include "core/file_names.h"
#include "core/host_path.h"
#include "core/output_file.h"

namespace courseeval {

namespace {

constexpr int firstScoreColumn = 5;
constexpr int lastScoreColumn = 31;

} // namespace

void writeNumbersOnly(const std::string& folderPath, const EvaluationTables& tables, ActionLog& actionLog) {
    OutputFile extract(hostPath(folderPath, numbersOnlyFileName));
    actionLog.logOpened(folderPath, numbersOnlyFileName, OpenedFor::output, 2);
    for (int row = 1; row <= tables.nLines; ++row) {
        extract.writePiece(tables.courseName[row]);
        extract.writePiece("\t");
        extract.writePiece(tables.sectionNumber[row]);
        extract.writePiece("\t");
        extract.writePiece(tables.instructorName[row]);
        extract.writePiece("\t");
        extract.writePiece(tables.dataArray(row, 3));
        extract.writePiece("\t");
        extract.writePiece(tables.dataArray(row, 4));
        for (int column = firstScoreColumn; column <= lastScoreColumn; column += 2) {
            extract.writePiece("\t");
            extract.writePiece(tables.dataArray(row, column));
        }
        extract.writeLine("");
    }
    extract.close();
    actionLog.logAction("numbersOnly file should be written");
}

} // namespace courseeval
