// Fuzz target: any bytes as the evaluation file, read into fresh tables. Besides "no crash", the reader
// must either complete or end with its own error, leave the evaluation file unchanged, and store and trace
// exactly the fields a plain split of the bytes finds.
#include "common/file_names.h"
#include "common/run_error.h"
#include "files/data_folder.h"
#include "files/host.h"
#include "files/output_file.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/reused_tables.h"
#include "intake/data_file_reader.h"
#include "testing/file_bytes.h"
#include "testing/output_checks.h"
#include "testing/temp_folder.h"

#include <algorithm>
#include <cstdint>

namespace courseeval {
namespace {

using testing::fuzzFail;

// Whether reading `lines` must end in an error: a 51st field on a line, or a line 1001.
bool exceedsTheTable(const testing::SplitEvaluationFile& lines) {
    if (lines.lines() > static_cast<std::size_t>(EvaluationTables::maxRows)) {
        return true;
    }
    for (std::size_t line = 0; line < lines.lines(); ++line) {
        if (lines.fieldsOf(line) > static_cast<std::size_t>(EvaluationTables::maxColumns)) {
            return true;
        }
    }
    return false;
}

void checkCompletedRead(const EvaluationTables& tables, const testing::SplitEvaluationFile& lines,
                        const std::string& folderPath) {
    if (static_cast<std::size_t>(tables.nLines) != lines.lines()) {
        fuzzFail("nLines differs from the line count");
    }
    std::string counts;
    std::string echo;
    for (std::size_t line = 0; line < lines.lines(); ++line) {
        const int row = static_cast<int>(line) + 1;
        const std::size_t fields = lines.fieldsOf(line);
        counts.append("line ").append(numberText(row)).append(" includes ");
        counts.append(numberText(static_cast<int>(fields))).append(" fields.\r\n");
        echo += "\r\n";
        for (std::size_t index = 0; index < fields; ++index) {
            echo.append(lines.field(line, index)).append("xx");
        }
        // The reader stores fields in order, so a stray cell could only stand right after the last field.
        const int lastColumn = std::min(static_cast<int>(fields) + 1, EvaluationTables::maxColumns);
        for (int column = 1; column <= lastColumn; ++column) {
            const auto at = static_cast<std::size_t>(column - 1);
            if (tables.dataArray(row, column) != (at < fields ? lines.field(line, at) : std::string_view{})) {
                fuzzFail("cell " + std::to_string(row) + ", " + std::to_string(column) + " differs");
            }
        }
    }
    if (testing::readBytes(host::folderName(folderPath).append(fieldCountsFileName)) != counts) {
        fuzzFail("field counts differ");
    }
    if (testing::readBytes(host::folderName(folderPath).append(fieldEchoFileName)) != echo) {
        fuzzFail("field echo differs");
    }
}

} // namespace
} // namespace courseeval

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace courseeval;
    const std::string input(reinterpret_cast<const char*>(data), size);
    const testing::TempFolder& folder = testing::fuzzFolderHolding(input);
    const std::string folderPath = folder.folderPath();

    EvaluationTables& tables = testing::reusedTables();
    bool completed = false;
    {
        DataFolder dataFolder(folderPath);
        ActionLog& actionLog = dataFolder.lock();
        try {
            readEvaluationData(dataFolder, tables, actionLog);
            completed = true;
        } catch (const RunError&) {
        }
    }

    testing::requireEvaluationFileUnchanged(folder, input);
    const auto lines = testing::splitEvaluationFile(input);
    if (completed == exceedsTheTable(lines)) {
        fuzzFail(completed ? "an overflowing file was read without error"
                           : "a file within the limits was refused");
    }
    if (completed) {
        checkCompletedRead(tables, lines, folderPath);
    }
    tables.reset();
    return 0;
}
