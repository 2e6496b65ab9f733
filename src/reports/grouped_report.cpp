#include "reports/grouped_report.h"

#include "common/file_names.h"
#include "files/output_file.h"
#include "intake/record_line.h"

namespace courseeval {

void writeGroupedReport(const DataFolder& folder, const EvaluationTables& tables, ActionLog& actionLog) {
    OutputFile report = folder.create(groupedReportFileName);
    OutputFile crossCheck = folder.create(crossCheckFileName);
    actionLog.logOpened(report.logName(), OpenedFor::output, 2);
    actionLog.logOpened(crossCheck.logName(), OpenedFor::output, 3);

    int nNonEmpty = 0;
    for (int group = 1; group <= tables.nUnique; ++group) {
        // A group's records fill its slots from slot 1 on, and the slots past its last record hold row 0,
        // whose description is empty: the first of them ends the group.
        for (int slot = 1; slot <= tables.nLines; ++slot) {
            const int row = tables.occurrence(group, slot);
            const std::string_view description = tables.dataArray(row, 2);
            if (description.empty()) {
                break;
            }
            nNonEmpty += writeRecordLine(report, tables, row);
            crossCheck.writeNumber(group);
            crossCheck.writePiece(" ");
            crossCheck.writeNumber(slot);
            crossCheck.writePiece("\t");
            crossCheck.writeLine(description);
        }
    }

    report.close();
    crossCheck.close();
    actionLog.logAction("files have been written from dataArray(occurrence(p, j)) array");
    actionLog.logAction("number of nonempty fields written totals " + numberText(nNonEmpty));
}

} // namespace courseeval
