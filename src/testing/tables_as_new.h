#pragma once

#include "intake/evaluation_tables.h"

#include <string>

namespace courseeval::testing {

// The first cell of `tables` that does not read as it does in new tables, e.g. "dataArray(3, 2) holds
// \"x\"", or empty text when every cell and count does.
std::string firstCellNotAsNew(const EvaluationTables& tables);

} // namespace courseeval::testing
