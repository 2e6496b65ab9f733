#pragma once

#include "core/action_log.h"
#include "intake/evaluation_tables.h"

#include <string>

namespace courseeval {

// Writes `dataArray` back as text, the record line of every row in row order, so that it can be compared
// with the evaluation file.
void writeReconstruction(const std::string& folderPath, const EvaluationTables& tables, ActionLog& actionLog);

} // namespace courseeval
