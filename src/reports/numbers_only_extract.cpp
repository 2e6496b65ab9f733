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
    std::string line;
    for (int row = 1; row <= tables.nLines; ++row) {
        line.assign(tables.courseName[row]);
        line.append("\t").append(tables.sectionNumber[row]);
        line.append("\t").append(tables.instructorName[row]);
        line.append("\t").append(tables.dataArray(row, 3));
        line.append("\t").append(tables.dataArray(row, 4));
        for (int column = firstScoreColumn; column <= lastScoreColumn; column += 2) {
            line.append("\t").append(tables.dataArray(row, column));
        }
        extract.writeLine(line);
    }
    extract.close();
    actionLog.logAction("numbersOnly file should be written");
}

} // namespace courseeval
