#pragma once

#include "files/action_log.h"
#include "files/data_folder.h"
#include "intake/evaluation_tables.h"

#include <string>

namespace courseeval {

// Reads the evaluation file of `folder` into `dataArray`, one row per line and one column per
// TAB-terminated field, and sets `nLines`. Beside the data it writes the field echo (every field as it was
// split off, each followed by "xx", every line introduced by a line end) and the field counts (one line
// per input line). Characters after the last TAB of a line belong to no field and are dropped.
void readEvaluationData(DataFolder& folder, EvaluationTables& tables, ActionLog& actionLog);

} // namespace courseeval
