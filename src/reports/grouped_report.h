#pragma once

#include "files/action_log.h"
#include "files/data_folder.h"
#include "intake/evaluation_tables.h"

namespace courseeval {

// Writes the records again, group by group and in row order within a group, as record lines; beside them a
// cross-check line per record written (" p  j" + TAB + description). Logs how many non-empty cells the
// record lines hold.
void writeGroupedReport(const DataFolder& folder, const EvaluationTables& tables, ActionLog& actionLog);

} // namespace courseeval
