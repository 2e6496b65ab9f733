#pragma once

#include "files/action_log.h"
#include "files/data_folder.h"
#include "intake/evaluation_tables.h"

namespace courseeval {

// Writes `dataArray` back as text, the record line of every row in row order, so that it can be compared
// with the evaluation file.
void writeReconstruction(const DataFolder& folder, const EvaluationTables& tables, ActionLog& actionLog);

} // namespace courseeval
