#include "intake/record_line.h"

namespace courseeval {

int writeRecordLine(OutputFile& file, const EvaluationTables& tables, int row) {
    constexpr int last = EvaluationTables::recordColumns;
    int nNonEmpty = 0;
    // Each field is written followed by a TAB. The fields of one input line stand one after the other in
    // the table, each followed by the TAB that ended it: they go out as one piece. The table stays as it is
    // until the file is closed, so a long piece goes to the system from where it lies.
    for (int column = 1; column <= last;) {
        const CheckedTextGrid::StoredRun run = tables.dataArray.storedRun(row, column, last);
        if (run.cells > 0) {
            file.writeStored(run.text);
            nNonEmpty += run.nonEmpty;
            column += run.cells;
            continue;
        }
        const std::string_view text = tables.dataArray(row, column);
        nNonEmpty += text.empty() ? 0 : 1;
        file.writeStored(text);
        file.writePiece("\t");
        ++column;
    }
    file.writeLine("");
    return nNonEmpty;
}

} // namespace courseeval
