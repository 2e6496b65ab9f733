#include "intake/description_parser.h"
#include "testing/stage_fixture.h"

#include <gmock/gmock.h>

namespace courseeval {
namespace {

struct ParseCase {
    std::string description;
    ParsedDescription expected;
};

TEST(ParseDescriptionTest, KeywordsDecideCourseSectionAndInstructor) {
    const std::vector<ParseCase> cases = {
        {"bio 211 Section50. Instructor: dunmoor fennick", {"bio 211", "50", "dunmoor fennick"}},
        // One character before "section" is dropped; two characters after it are the section.
        {"xsection 7", {"", " 7", ""}},
        {"a SECTION9", {"a", "9", ""}},
        {"intersection", {"inte", "", ""}},
        {"mth 121 Section40 / mth 122 Section41", {"mth 121 Section40 / mth 122", "41", ""}},
        {"phy 121 Section40. Instructor:", {"phy 121", "40", ""}},
        {"phy 121 Section40. Instructor:x", {"phy 121", "40", ""}},
        {"INSTRUCTOR: a  instructor: b", {"", "", "b"}},
        {"Seminar on ethics", {"", "", ""}},
        {"", {"", "", ""}},
        // Bytes outside A to Z are compared as they are: not the colon's control character twin either.
        {"Instructor\x1A ada", {"", "", ""}},
        {"caf\xC9 Section12. Instructor: \xD6zdemir", {"caf\xC9", "12", "\xD6zdemir"}},
        {"s\xC9"
         "ction 12",
         {"", "", ""}},
    };
    for (const ParseCase& c : cases) {
        EXPECT_EQ(parseDescription(c.description), c.expected) << "description: " << c.description;
    }
}

TEST(ParseDescriptionTest, KeywordAtTheVeryStartLeavesTheCourseNameEmpty) {
    EXPECT_EQ(parseDescription("Section50. Instructor: orwin brashby"),
              (ParsedDescription{"", "50", "orwin brashby"}));
    EXPECT_EQ(parseDescription("section"), (ParsedDescription{"", "", ""}));
}

TEST(ParseDescriptionTest, LongDescriptionFullOfKeywordsIsParsedByItsLastOnes) {
    // 4 MB of keywords: copying the parts at every match, as a naive parse does, would take minutes.
    std::string description;
    for (int repeat = 0; repeat < 300000; ++repeat) {
        description += "sectioninstructor:";
    }
    description += "Section12 Instructor: ada";
    const ParsedDescription parsed = parseDescription(description);
    EXPECT_EQ(parsed.courseName.size(), description.size() - 26);
    EXPECT_EQ(parsed.sectionNumber, "12");
    EXPECT_EQ(parsed.instructorName, "ada");
}

class ParseDescriptionsTest : public testing::StageFixture {};

TEST_F(ParseDescriptionsTest, EveryRowIsParsedAndTheParseIsLogged) {
    fillRows({{"1", "his 211 Section50. Instructor: sabeline the great"}, {"2"}, {"3", "SECTION 01 intro"}});
    parseDescriptions(*tables, actionLog);
    EXPECT_EQ(tables->courseName[1], "his 211");
    EXPECT_EQ(tables->sectionNumber[1], "50");
    EXPECT_EQ(tables->instructorName[1], "sabeline the great");
    EXPECT_EQ(tables->courseName[2], "");
    EXPECT_EQ(tables->sectionNumber[3], " 0");
    EXPECT_THAT(logEntries(),
                ::testing::ElementsAre("dataArray column 2 has been parsed to identify courseName "
                                       "and sectionNumber arrays"));
}

} // namespace
} // namespace courseeval
