#pragma once

#include "files/action_log.h"
#include "intake/evaluation_tables.h"

#include <string>
#include <string_view>

namespace courseeval {

// The parts of a course description such as "bio 211 Section50. Instructor: dunmoor fennick", where they
// stand in it.
struct ParsedDescription {
    std::string_view courseName;
    std::string_view sectionNumber;
    std::string_view instructorName;

    bool operator==(const ParsedDescription&) const = default;
};

// Finds the keywords "section" and "instructor:" anywhere in `description`, ignoring the case of A to Z;
// the last occurrence of each decides. "section" gives the course name (the text before the keyword less
// the one character just before it) and the section number (the two characters after the keyword);
// "instructor:" gives the instructor (the text after the colon less the one character just after it).
// A part whose keyword does not occur stays empty.
ParsedDescription parseDescription(std::string_view description);

// Whether `description` holds either keyword, in any case of A to Z: one that holds neither has no parts.
bool holdsKeyword(std::string_view description);

// Parses column 2 of every row into `courseName`, `sectionNumber` and `instructorName`.
void parseDescriptions(EvaluationTables& tables, ActionLog& actionLog);

} // namespace courseeval
