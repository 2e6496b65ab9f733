#include "intake/data_file_reader.h"

#include "common/file_names.h"
#include "common/run_error.h"
#include "files/output_file.h"
#include "intake/evaluation_line_reader.h"

#include <cstring>
#include <string_view>

namespace courseeval {

namespace {

constexpr char tab = '\t';

// Writes each of the first `count` fields of `row` to the field echo, followed by "xx". The fields of a
// line stand together in `fieldsLength` bytes of the table's block, which stays where it is until the
// echo is closed, so that the long fields of a long line go to the system from there.
void echoFields(OutputFile& fieldEcho, const EvaluationTables& tables, int row, int count,
                std::size_t fieldsLength) {
    // Each field with its TAB becomes the field and "xx": one byte more.
    const std::size_t echoLength = fieldsLength + static_cast<std::size_t>(count);
    if (echoLength <= OutputFile::filledLineMost) {
        fieldEcho.writeFilled(echoLength, [&tables, row, count](char* const start) {
            char* at = start;
            tables.dataArray.forEachCell(row, 1, count, [&at](std::string_view field) {
                std::memcpy(at, field.data(), field.size());
                at += field.size();
                *at++ = 'x';
                *at++ = 'x';
            });
            return static_cast<std::size_t>(at - start);
        });
        return;
    }
    tables.dataArray.forEachCell(row, 1, count, [&fieldEcho](std::string_view field) {
        fieldEcho.writeStored(field);
        fieldEcho.writePiece("xx");
    });
}

} // namespace

void readEvaluationData(DataFolder& folder, EvaluationTables& tables, ActionLog& actionLog) {
    InputFile file = folder.openEvaluationFile();
    OutputFile fieldEcho = folder.create(fieldEchoFileName);
    actionLog.logOpened(file.logName(), OpenedFor::input, 1);
    actionLog.logOpened(fieldEcho.logName(), OpenedFor::output, 2);
    int row = 0;
    OutputFile fieldCounts = folder.create(fieldCountsFileName);

    // The file, which holds at most 64 MiB, is read whole into the table's block, where the cells find
    // their fields: no byte of it is copied again, and the block never moves while the files written from
    // it are open. The one byte of room past the size it had when opened lets its end be seen (a file
    // grown meanwhile is an error).
    const CheckedTextGrid::Stored stored =
        tables.dataArray.storeRead(static_cast<std::size_t>(file.size()) + 1,
                                   [&file](char* bytes, std::size_t room) { return file.read(bytes, room); });
    EvaluationLineReader input(stored.text);
    std::string_view line;
    while (input.readLine(line)) {
        ++row;
        int nFields = 0;
        fieldEcho.writeLine("");
        // A line past the table ends the run here, whether or not it holds a field: going on would only
        // multiply a file of line ends into trace files many times its size.
        if (row > EvaluationTables::maxRows) {
            throw fileLineError(file.path(), row,
                                "more than " + std::to_string(EvaluationTables::maxRows) + " lines");
        }
        // Each TAB ends a field; whatever follows the last TAB of the line is dropped with the line. Each
        // cell is a part of the line up to its last TAB, where it stands in the block.
        const std::size_t fieldsLength = line.rfind(tab) + 1;
        const auto fieldsAt = stored.offset + static_cast<std::size_t>(line.data() - stored.text.data());
        try {
            nFields = tables.dataArray.assignStoredFields(row, fieldsAt, fieldsLength, tab);
        } catch (const TableRangeError&) {
            // The fields that fit are traced before the run ends, as they were read.
            echoFields(fieldEcho, tables, row, EvaluationTables::maxColumns, fieldsLength);
            throw fileLineError(file.path(), row,
                                "more than " + std::to_string(EvaluationTables::maxColumns) + " fields");
        }
        echoFields(fieldEcho, tables, row, nFields, fieldsLength);
        tables.nLines = row;
        fieldCounts.writePiece("line ");
        fieldCounts.writeNumber(row);
        fieldCounts.writePiece(" includes ");
        fieldCounts.writeNumber(nFields);
        fieldCounts.writeLine(" fields.");
    }

    fieldCounts.close();
    file.close();
    fieldEcho.close();
    actionLog.logAction(numberText(tables.nLines) +
                        " lines read from #1 and deconstructed into rows and columns");
}

} // namespace courseeval
