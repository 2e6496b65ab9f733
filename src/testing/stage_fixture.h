#pragma once

#include "common/file_names.h"
#include "files/action_log.h"
#include "files/data_folder.h"
#include "intake/evaluation_tables.h"
#include "testing/file_bytes.h"
#include "testing/tables_as_new.h"
#include "testing/temp_folder.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace courseeval::testing {

// A stage's surroundings: an empty data folder, fresh tables and an open action log in that folder.
class StageFixture : public ::testing::Test {
protected:
    // The bytes of the file `name` of the data folder.
    std::string bytesOf(std::string_view name) const { return readBytes(folder.file(std::string(name))); }
    bool exists(std::string_view name) const {
        return std::filesystem::exists(folder.file(std::string(name)));
    }
    void writeEvaluationFile(std::string_view bytes) const {
        writeBytes(folder.file(std::string(evaluationFileName)), bytes);
    }
    // The action-log entries written so far.
    std::vector<std::string> logEntries() const { return splitCrLfLines(bytesOf(actionLogFileName)); }

    // Fills rows 1, 2, ... of `dataArray` with `rows` (columns from 1) and sets `nLines`.
    void fillRows(const std::vector<std::vector<std::string>>& rows) {
        for (std::size_t r = 0; r < rows.size(); ++r) {
            setRow(*tables, static_cast<int>(r) + 1, rows[r]);
        }
        tables->nLines = static_cast<int>(rows.size());
    }

    TempFolder folder;
    const std::string folderPath = folder.folderPath();
    std::unique_ptr<EvaluationTables> tables = std::make_unique<EvaluationTables>();
    DataFolder dataFolder{folderPath};
    ActionLog& actionLog = dataFolder.lock();
};

// A record of 43 fields whose description (column 2) is `description` and whose other fields are
// "r<row>c<column>".
std::vector<std::string> sampleRecord(int row, const std::string& description);

} // namespace courseeval::testing
