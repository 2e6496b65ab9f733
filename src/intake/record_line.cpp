#include "intake/record_line.h"

namespace courseeval {

int writeRecordLine(OutputFile& file, const EvaluationTables& tables, int row) {
    int nNonEmpty = 0;
    for (int column = 1; column <= EvaluationTables::recordColumns; ++column) {
        const std::string_view text = tables.dataArray(row, column);
        if (!text.empty()) {
            ++nNonEmpty;
        }
        file.writePiece(text);
        file.writePiece("\t");
    }
    file.writeLine("");
    return nNonEmpty;
}

} // namespace courseeval
