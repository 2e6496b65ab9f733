#pragma once

#include "files/action_log.h"
#include "files/data_folder.h"
#include "intake/evaluation_tables.h"

namespace courseeval {

// Writes one line per row: course name, section number and instructor, then columns 3, 4 and the odd
// columns 5 to 31, 19 fields separated by TABs.
void writeNumbersOnly(const DataFolder& folder, const EvaluationTables& tables, ActionLog& actionLog);

} // namespace courseeval
