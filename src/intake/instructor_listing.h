#pragma once

#include "files/action_log.h"
#include "files/data_folder.h"
#include "intake/evaluation_tables.h"

namespace courseeval {

// Lists course name, section number and instructor of every row, one line per row:
// courseName + "-" + sectionNumber + " instructor: " + instructorName + "xxxx".
void writeInstructorCourses(const DataFolder& folder, const EvaluationTables& tables, ActionLog& actionLog);

} // namespace courseeval
