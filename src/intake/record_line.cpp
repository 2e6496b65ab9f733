#include "intake/record_line.h"

namespace courseeval {

int writeRecordLine(OutputFile& file, const EvaluationTables& tables, int row) {
    constexpr int last = EvaluationTables::recordColumns;
    // Each field is written followed by a TAB. The fields of one input line stand one after the other in
    // the table, each followed by the TAB that ended it: they go out as one piece. The table stays as it is
    // until the file is closed, so a long piece goes to the system from where it lies. The cells after
    // those of the line are empty: a TAB each.
    const CheckedTextGrid::StoredRun run = tables.dataArray.storedRun(row, last);
    file.writeStored(run.text);
    for (int column = run.cells + 1; column <= last; ++column) {
        file.writePiece("\t");
    }
    file.writeLine("");
    return run.nonEmpty;
}

} // namespace courseeval
