#include "intake/description_parser.h"
#include "intake/instructor_listing.h"
#include "testing/stage_fixture.h"

#include <gmock/gmock.h>

namespace courseeval {
namespace {

class InstructorListingTest : public testing::StageFixture {};

TEST_F(InstructorListingTest, OneLinePerRowWithEmptyPartsForRowsWithoutKeywords) {
    fillRows({{"1", "bio 211 Section50. Instructor: dunmoor fennick"}, {"2"}, {"3", "Seminar"}});
    parseDescriptions(*tables, actionLog);
    writeInstructorCourses(dataFolder, *tables, actionLog);
    EXPECT_EQ(bytesOf(instructorListingFileName), "bio 211-50 instructor: dunmoor fennickxxxx\r\n"
                                                  "- instructor: xxxx\r\n"
                                                  "- instructor: xxxx\r\n");
    EXPECT_EQ(logEntries().back(),
              folderPath + "sampleEvalData_instructors_courses.txt opened For Output As #2");
}

TEST_F(InstructorListingTest, NoRowsGiveAnEmptyListing) {
    writeInstructorCourses(dataFolder, *tables, actionLog);
    EXPECT_EQ(bytesOf(instructorListingFileName), "");
    EXPECT_EQ(logEntries().size(), 1U);
}

} // namespace
} // namespace courseeval
