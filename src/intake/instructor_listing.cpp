#include "intake/instructor_listing.h"

#include "core/file_names.h"
#include "core/host_path.h"
#include "core/output_file.h"

namespace courseeval {

void writeInstructorCourses(const std::string& folderPath, const EvaluationTables& tables,
                            ActionLog& actionLog) {
    OutputFile listing(hostPath(folderPath, instructorListingFileName));
    actionLog.logOpened(folderPath, instructorListingFileName, OpenedFor::output, 2);
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
