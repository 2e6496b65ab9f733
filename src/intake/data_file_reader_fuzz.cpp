// Fuzz target: any bytes as the evaluation file, read into fresh tables. Besides "no crash", the reader
// must either complete or end with its own error, leave the evaluation file unchanged, and store and trace
// exactly the fields a plain split of the bytes finds.
#include "intake/data_file_reader.h"
#include "run/file_names.h"
#include "run/host_path.h"
#include "run/number_text.h"
#include "run/run_error.h"
#include "testing/file_bytes.h"
#include "testing/fuzz_check.h"
#include "testing/output_checks.h"
#include "testing/temp_folder.h"

#include <cstdint>
#include <memory>

namespace courseeval {
namespace {

using testing::fuzzFail;

// Whether reading `lines` must end in an error: a 51st field on a line, or a field on line 1001 or later.
bool exceedsTheTable(const std::vector<std::vector<std::string>>& lines) {
    for (std::size_t index = 0; index < lines.size(); ++index) {
        const std::size_t fields = lines[index].size();
        if ((index >= EvaluationTables::maxRows && fields > 0) ||
            fields > static_cast<std::size_t>(EvaluationTables::maxColumns)) {
            return true;
        }
    }
    return false;
}

void checkCompletedRead(const EvaluationTables& tables, const std::vector<std::vector<std::string>>& lines,
                        const std::string& folderPath) {
    if (static_cast<std::size_t>(tables.nLines) != lines.size()) {
        fuzzFail("nLines differs from the line count");
    }
    std::string counts;
    std::string echo;
    for (std::size_t index = 0; index < lines.size(); ++index) {
        const int row = static_cast<int>(index) + 1;
        const auto& fields = lines[index];
        counts += "line " + numberText(row) + " includes " + numberText(static_cast<int>(fields.size())) +
                  " fields.\r\n";
        echo += "\r\n";
        for (const std::string& field : fields) {
            echo += field + "xx";
        }
        if (row > EvaluationTables::maxRows) {
            continue;
        }
        static const std::string noField;
        for (int column = 1; column <= EvaluationTables::maxColumns; ++column) {
            const auto at = static_cast<std::size_t>(column - 1);
            if (tables.dataArray(row, column) != (at < fields.size() ? fields[at] : noField)) {
                fuzzFail("cell " + std::to_string(row) + ", " + std::to_string(column) + " differs");
            }
        }
    }
    if (testing::readBytes(hostPath(folderPath, fieldCountsFileName)) != counts) {
        fuzzFail("field counts differ");
    }
    if (testing::readBytes(hostPath(folderPath, fieldEchoFileName)) != echo) {
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

    const auto tables = std::make_unique<EvaluationTables>();
    bool completed = false;
    {
        ActionLog actionLog(hostPath(folderPath, actionLogFileName));
        try {
            readEvaluationData(folderPath, *tables, actionLog);
            completed = true;
        } catch (const RunError&) {
        }
        actionLog.close();
    }

    testing::requireEvaluationFileUnchanged(folder, input);
    const auto lines = testing::splitEvaluationFile(input);
    if (completed == exceedsTheTable(lines)) {
        fuzzFail(completed ? "an overflowing file was read without error"
                           : "a file within the limits was refused");
    }
    if (completed) {
        checkCompletedRead(*tables, lines, folderPath);
    }
    return 0;
}
