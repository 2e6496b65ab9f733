#pragma once

#include "core/action_log.h"
#include "intake/evaluation_tables.h"

#include <string>

namespace courseeval {

// Lists course name, section number and instructor of every row, one line per row:
// courseName + "-" + sectionNumber + " instructor: " + instructorName + "xxxx".
void writeInstructorCourses(const std::string& folderPath, const EvaluationTables& tables,
                            ActionLog& actionLog);

} // namespace courseeval
