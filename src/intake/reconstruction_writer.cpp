#include "intake/reconstruction_writer.h"

#include "intake/record_line.h"
#include "core/file_names.h"
#include "core/host_path.h"

namespace courseeval {

void writeReconstruction(const std::string& folderPath, const EvaluationTables& tables,
                         ActionLog& actionLog) {
    OutputFile reconstruction(hostPath(folderPath, reconstructionFileName));
    for (int row = 1; row <= tables.nLines; ++row) {
        if (row > EvaluationTables::maxRows) {
            // Lines past the table that held no field were counted by the reader but never stored.
            throw TableRangeError("dataArray", "row", row,
                                  EvaluationTables::tooManyLines(hostPath(folderPath, evaluationFileName)));
        }
        writeRecordLine(reconstruction, tables, row);
    }
    // Closed before the entry is logged, so the log never claims a copy that failed to reach the disk.
    reconstruction.close();
    actionLog.logAction("dataArray has been written to #2, which should now contain a copy of #1");
}

} // namespace courseeval
