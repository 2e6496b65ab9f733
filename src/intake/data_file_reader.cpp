#include "intake/data_file_reader.h"

#include "core/file_names.h"
#include "core/output_file.h"
#include "core/run_error.h"
#include "intake/evaluation_line_reader.h"

#include <string_view>

namespace courseeval {

namespace {

constexpr char tab = '\t';

// Writes each of the first `count` fields of `row` to the field echo, followed by "xx".
void echoFields(OutputFile& fieldEcho, const EvaluationTables& tables, int row, int count) {
    tables.dataArray.forEachCell(row, 1, count, [&fieldEcho](std::string_view field) {
        fieldEcho.writePiece(field);
        fieldEcho.writePiece("xx");
    });
}

} // namespace

void readEvaluationData(DataFolder& folder, EvaluationTables& tables, ActionLog& actionLog) {
    EvaluationLineReader input(folder.openEvaluationFile());
    OutputFile fieldEcho = folder.create(fieldEchoFileName);
    actionLog.logOpened(input.logName(), OpenedFor::input, 1);
    actionLog.logOpened(fieldEcho.logName(), OpenedFor::output, 2);
    // The fields take at most the bytes of the file, which holds at most 64 MiB: room for them all is made
    // at once, so the block is never copied to a larger one (which for a large file took a third of the run
    // and held both blocks at once). Pages the fields do not reach are never touched.
    tables.dataArray.reserve(static_cast<std::size_t>(input.size()));
    int row = 0;
    OutputFile fieldCounts = folder.create(fieldCountsFileName);

    std::string_view line;
    while (input.readLine(line)) {
        ++row;
        int nFields = 0;
        fieldEcho.writeLine("");
        // A line past the table ends the run here, whether or not it holds a field: going on would only
        // multiply a file of line ends into trace files many times its size.
        if (row > EvaluationTables::maxRows) {
            throw fileLineError(input.path(), row,
                                "more than " + std::to_string(EvaluationTables::maxRows) + " lines");
        }
        // Each TAB ends a field; whatever follows the last TAB of the line is dropped with the line. The
        // fields are kept together, as the line up to its last TAB, and each cell is a part of that.
        const std::string_view fields = line.substr(0, line.rfind(tab) + 1);
        const std::size_t fieldsAt = tables.dataArray.store(fields);
        try {
            nFields = tables.dataArray.assignStoredFields(row, fieldsAt, fields.size(), tab);
        } catch (const TableRangeError&) {
            // The fields that fit are traced before the run ends, as they were read.
            echoFields(fieldEcho, tables, row, EvaluationTables::maxColumns);
            throw fileLineError(input.path(), row,
                                "more than " + std::to_string(EvaluationTables::maxColumns) + " fields");
        }
        echoFields(fieldEcho, tables, row, nFields);
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
