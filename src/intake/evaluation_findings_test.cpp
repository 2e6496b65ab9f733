#include "common/run_error.h"
#include "intake/data_file_reader.h"
#include "intake/evaluation_findings.h"
#include "testing/stage_fixture.h"

#include <gmock/gmock.h>

namespace courseeval {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::StartsWith;

class EvaluationFindingsTest : public testing::StageFixture {
protected:
    // The findings of the evaluation file `bytes`, once read, or once the reading failed.
    std::vector<std::string> findingsOf(const std::string& bytes) {
        writeEvaluationFile(bytes);
        tables->reset();
        try {
            readEvaluationData(dataFolder, *tables, actionLog);
        } catch (const RunError&) {
            return evaluationFindings(*tables, true);
        }
        return evaluationFindings(*tables, false);
    }
    // `count` records of `fields` fields each, every one a TAB-ended field, lines ended by `end`.
    static std::string records(int count, int fields, const std::string& end = "\r\n") {
        std::string bytes;
        for (int row = 1; row <= count; ++row) {
            for (int field = 1; field <= fields; ++field) {
                bytes += field == 2 ? "bio 211 Section50. Instructor: a b\t" : "1\t";
            }
            bytes += end;
        }
        return bytes;
    }
};

TEST_F(EvaluationFindingsTest, ExportAsExpectedGivesNoneAndTheExampleOnlyItsDescriptionsWithoutKeyword) {
    EXPECT_THAT(findingsOf(records(3, 43)), IsEmpty());
    EXPECT_THAT(findingsOf(testing::readBytes(std::string(COURSE_EVAL_EXAMPLES_DIR) + "/sampleEvalData.txt")),
                ElementsAre("lines 20 and 27 hold neither \"section\" nor \"instructor:\" in the description "
                            "(column 2), so course name, section and instructor are empty there"));
}

TEST_F(EvaluationFindingsTest, FileOfAnotherFormatIsNamedWithWhatToDo) {
    EXPECT_THAT(findingsOf("a,b,c\r\nd,e,f\r\n"), ElementsAre(StartsWith("no line holds a TAB")));
    EXPECT_THAT(findingsOf(std::string("\xFF\xFE"
                                       "a\0\t\0\r\0\n\0",
                                       10)),
                ElementsAre(StartsWith("the file is UTF-16")));
    EXPECT_THAT(findingsOf(""), ElementsAre("the file holds no records"));
    // A spreadsheet's TAB-separated text: no TAB after the last field.
    EXPECT_THAT(findingsOf(records(5, 42)),
                ElementsAre(StartsWith("lines 1, 2, 3 and 2 more hold 42 fields, not 43: a spreadsheet")));
    EXPECT_THAT(findingsOf(records(2, 43) + records(1, 44)),
                ElementsAre("line 3 holds other than 43 fields: check them for a missing or an extra TAB"));
}

TEST_F(EvaluationFindingsTest, LineFeedLineEndsExplainTheErrorTheyEndIn) {
    // Read as one line, 60 records of LF line ends are one line of far more than 50 fields.
    const std::vector<std::string> findings = findingsOf(records(60, 43, "\n"));
    ASSERT_THAT(findings, ElementsAre(StartsWith("line 1 holds an LF without a CR before it")));
    EXPECT_THAT(findings[0], ::testing::HasSubstr("save the file with CR LF (Windows) line ends"));
    // One LF inside a field of a whole record, and in five.
    EXPECT_THAT(findingsOf(records(1, 43) + "x\n" + records(1, 43)),
                ElementsAre(StartsWith("line 2 holds an LF")));
    std::string five;
    for (int record = 0; record < 5; ++record) {
        five += "x\n" + records(1, 43);
    }
    EXPECT_THAT(findingsOf(five), ElementsAre(StartsWith("lines 1, 2, 3 and 2 more hold an LF")));
}

} // namespace
} // namespace courseeval
