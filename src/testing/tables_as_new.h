#pragma once

#include "intake/evaluation_tables.h"

#include <string>
#include <vector>

namespace courseeval::testing {

// The first cell of `tables` that does not read as it does in new tables, e.g. "dataArray(3, 2) holds
// \"x\"", or empty text when every cell and count does.
std::string firstCellNotAsNew(const EvaluationTables& tables);

// Sets dataArray(row, 1), dataArray(row, 2), ... to `fields`, as the reader sets a line's fields.
void setRow(EvaluationTables& tables, int row, const std::vector<std::string>& fields);

} // namespace courseeval::testing
