#include "intake/data_file_reader.h"

#include "intake/evaluation_line_reader.h"
#include "core/file_names.h"
#include "core/host_path.h"
#include "core/number_text.h"
#include "core/output_file.h"

#include <string_view>

namespace courseeval {

namespace {

constexpr char tab = '\t';

// Stores field `column` of line `row`, explaining a column overflow in terms of the file.
void storeField(EvaluationTables& tables, int row, int column, std::string_view text,
                const std::string& path) {
    if (column > EvaluationTables::maxColumns) {
        throw TableRangeError("dataArray", "column", column,
                              "line " + std::to_string(row) + " of " + path + " holds more than " +
                                  std::to_string(EvaluationTables::maxColumns) + " fields");
    }
    tables.dataArray(row, column).assign(text);
}

} // namespace

void readEvaluationData(const std::string& folderPath, EvaluationTables& tables, ActionLog& actionLog) {
    EvaluationLineReader input(hostPath(folderPath, evaluationFileName));
    OutputFile fieldEcho(hostPath(folderPath, fieldEchoFileName));
    actionLog.logAction(folderPath + std::string(evaluationFileName) + " opened For Input As #1");
    actionLog.logAction(folderPath + std::string(fieldEchoFileName) + " opened For Output As #2");
    int row = 0;
    OutputFile fieldCounts(hostPath(folderPath, fieldCountsFileName));

    std::string line;
    while (input.readLine(line)) {
        ++row;
        int nFields = 0;
        fieldEcho.writeLine("");
        // A line past the table ends the run here, whether or not it holds a field: going on would only
        // multiply a file of line ends into trace files many times its size.
        if (row > EvaluationTables::maxRows) {
            throw TableRangeError("dataArray", "row", row, EvaluationTables::tooManyLines(input.path()));
        }
        // Each TAB ends a field; whatever follows the last TAB of the line is dropped with the line.
        std::size_t fieldStart = 0;
        for (std::size_t tabAt = line.find(tab); tabAt != std::string::npos;
             tabAt = line.find(tab, fieldStart)) {
            const std::string_view field(line.data() + fieldStart, tabAt - fieldStart);
            ++nFields;
            storeField(tables, row, nFields, field, input.path());
            fieldEcho.writePiece(field);
            fieldEcho.writePiece("xx");
            fieldStart = tabAt + 1;
        }
        tables.nLines = row;
        fieldCounts.writePiece("line ");
        fieldCounts.writePiece(numberText(row));
        fieldCounts.writePiece(" includes ");
        fieldCounts.writePiece(numberText(nFields));
        fieldCounts.writeLine(" fields.");
    }

    fieldCounts.close();
    input.close();
    fieldEcho.close();
    actionLog.logAction(numberText(tables.nLines) +
                        " lines read from #1 and deconstructed into rows and columns");
}

} // namespace courseeval
