#pragma once

#include "files/action_log.h"
#include "intake/evaluation_tables.h"

namespace courseeval {

// Groups the rows by their exact description (column 2): `uniqueCourses` receives the distinct
// non-empty descriptions in order of first appearance, `nUnique` their number, and occurrence(p, n) the
// row of the n-th record of group p, rows ascending. Rows with an empty description belong to no group.
// More than 100 groups end the run when the first row of group 101 is indexed.
void groupCourses(EvaluationTables& tables, ActionLog& actionLog);

} // namespace courseeval
