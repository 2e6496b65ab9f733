#include "intake/reconstruction_writer.h"

#include "common/file_names.h"
#include "intake/record_line.h"

namespace courseeval {

void writeReconstruction(const DataFolder& folder, const EvaluationTables& tables, ActionLog& actionLog) {
    OutputFile reconstruction = folder.create(reconstructionFileName);
    for (int row = 1; row <= tables.nLines; ++row) {
        writeRecordLine(reconstruction, tables, row);
    }
    reconstruction.close();
    actionLog.logAction("dataArray has been written to #2, which should now contain a copy of #1");
}

} // namespace courseeval
