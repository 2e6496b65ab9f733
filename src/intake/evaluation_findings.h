#pragma once

#include "intake/evaluation_tables.h"

#include <string>
#include <vector>

namespace courseeval {

// What the tables show of an evaluation file that is not the export a run expects, each in a sentence for
// the user with what to do: UTF-16 text, no TAB on any line (a comma- or semicolon-separated export),
// records of other than 43 fields, lone LF characters inside lines (LF line ends), no records at all, and
// descriptions that hold neither keyword. `afterError`: the run ended in an error while it read the file,
// and only what can explain such an error is told (not what the tables hold only part of).
std::vector<std::string> evaluationFindings(const EvaluationTables& tables, bool afterError);

} // namespace courseeval
