#include "intake/instructor_listing.h"

#include "common/file_names.h"

namespace courseeval {

void writeInstructorCourses(const DataFolder& folder, const EvaluationTables& tables, ActionLog& actionLog) {
    OutputFile listing = folder.create(instructorListingFileName);
    actionLog.logOpened(listing.logName(), OpenedFor::output, 2);
    for (int row = 1; row <= tables.nLines; ++row) {
        listing.writePiece(tables.courseName[row]);
        listing.writePiece("-");
        listing.writePiece(tables.sectionNumber[row]);
        listing.writePiece(" instructor: ");
        listing.writePiece(tables.instructorName[row]);
        listing.writeLine("xxxx");
    }
    listing.close();
}

} // namespace courseeval
