#pragma once

#include "files/output_file.h"
#include "intake/evaluation_tables.h"

namespace courseeval {

// Writes the record line of `row`: columns 1 to 43 of `dataArray`, each followed by a TAB, then CR LF.
// Cells never set give empty fields, and columns past 43 are never written. Returns how many of the 43
// cells hold non-empty text.
int writeRecordLine(OutputFile& file, const EvaluationTables& tables, int row);

} // namespace courseeval
