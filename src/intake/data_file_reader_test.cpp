#include "common/run_error.h"
#include "intake/data_file_reader.h"
#include "testing/stage_fixture.h"

#include <gmock/gmock.h>

namespace courseeval {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class DataFileReaderTest : public testing::StageFixture {
protected:
    // Reads the evaluation file and returns the error message, or "" when the stage completed.
    std::string read() {
        try {
            readEvaluationData(dataFolder, *tables, actionLog);
        } catch (const RunError& error) {
            return error.what();
        }
        return "";
    }
};

TEST_F(DataFileReaderTest, FullRecordsFillTheTableAndTheTraceFiles) {
    const auto first = testing::sampleRecord(1, "bio 211 Section50. Instructor: dunmoor fennick");
    const auto second = testing::sampleRecord(2, "phy 121 Section40. Instructor: orwin brashby");
    writeEvaluationFile(testing::recordLine(first) + testing::recordLine(second));
    ASSERT_EQ(read(), "");

    EXPECT_EQ(tables->nLines, 2);
    for (int column = 1; column <= 43; ++column) {
        EXPECT_EQ(tables->dataArray(1, column), first[static_cast<std::size_t>(column - 1)]);
        EXPECT_EQ(tables->dataArray(2, column), second[static_cast<std::size_t>(column - 1)]);
    }
    EXPECT_EQ(tables->dataArray(2, 44), "");
    EXPECT_EQ(bytesOf(fieldCountsFileName),
              "line  1 includes  43 fields.\r\nline  2 includes  43 fields.\r\n");
    std::string echo;
    for (const auto* record : {&first, &second}) {
        echo += "\r\n";
        for (const std::string& field : *record) {
            echo += field + "xx";
        }
    }
    EXPECT_EQ(bytesOf(fieldEchoFileName), echo);
    EXPECT_THAT(logEntries(), ElementsAre(folderPath + "sampleEvalData.txt opened For Input As #1",
                                          folderPath + "sampleEvalData_read.txt opened For Output As #2",
                                          " 2 lines read from #1 and deconstructed into rows and columns"));
}

TEST_F(DataFileReaderTest, ShortEmptyAndTabOnlyLines) {
    // Line 1 has text after its last TAB, line 2 is empty, line 3 is two TABs, line 4 has no line end.
    writeEvaluationFile("a\tb\tc\r\n\r\n\t\t\r\nx\ty\t");
    ASSERT_EQ(read(), "");

    EXPECT_EQ(tables->nLines, 4);
    EXPECT_EQ(tables->dataArray(1, 1), "a");
    EXPECT_EQ(tables->dataArray(1, 2), "b");
    EXPECT_EQ(tables->dataArray(1, 3), "");
    EXPECT_EQ(tables->dataArray(3, 1), "");
    // The "c" after the last TAB of line 1 is dropped with its line and never reaches line 4.
    EXPECT_EQ(tables->dataArray(4, 1), "x");
    EXPECT_EQ(tables->dataArray(4, 2), "y");
    EXPECT_EQ(bytesOf(fieldEchoFileName), "\r\naxxbxx\r\n\r\nxxxx\r\nxxxyxx");
    EXPECT_EQ(bytesOf(fieldCountsFileName), "line  1 includes  2 fields.\r\n"
                                            "line  2 includes  0 fields.\r\n"
                                            "line  3 includes  2 fields.\r\n"
                                            "line  4 includes  2 fields.\r\n");
}

TEST_F(DataFileReaderTest, LineWithALongFieldIsEchoedAsAShortOne) {
    const std::string longField(5000, 'l');
    writeEvaluationFile("a\t" + longField + "\tb\t\r\nc\t");
    ASSERT_EQ(read(), "");
    EXPECT_EQ(tables->dataArray(1, 2), longField);
    EXPECT_EQ(tables->dataArray(1, 3), "b");
    EXPECT_EQ(bytesOf(fieldEchoFileName), "\r\naxx" + longField + "xxbxx\r\ncxx");
}

TEST_F(DataFileReaderTest, LoneLfStaysInsideAField) {
    writeEvaluationFile("a\nb\tc\r\n");
    ASSERT_EQ(read(), "");
    EXPECT_EQ(tables->nLines, 1);
    EXPECT_EQ(tables->dataArray(1, 1), "a\nb");
    EXPECT_EQ(bytesOf(fieldEchoFileName), "\r\na\nbxx");
}

TEST_F(DataFileReaderTest, EmptyFileGivesNoLinesEmptyTraceFilesAndACountOfZero) {
    writeEvaluationFile("");
    ASSERT_EQ(read(), "");
    EXPECT_EQ(tables->nLines, 0);
    EXPECT_EQ(bytesOf(fieldEchoFileName), "");
    EXPECT_EQ(bytesOf(fieldCountsFileName), "");
    EXPECT_EQ(logEntries().back(), " 0 lines read from #1 and deconstructed into rows and columns");
}

TEST_F(DataFileReaderTest, MissingFileFailsBeforeAnyTraceFileOrLogEntry) {
    EXPECT_THAT(read(), HasSubstr("cannot open '" + folder.file("sampleEvalData.txt") + "'"));
    EXPECT_FALSE(exists(fieldEchoFileName));
    EXPECT_FALSE(exists(fieldCountsFileName));
    EXPECT_TRUE(logEntries().empty());
}

TEST_F(DataFileReaderTest, FiftyFieldsAreKeptAndTheFiftyFirstEndsTheRunKeepingTheTraceSoFar) {
    const std::string fiftyFields = std::string(50, '\t');
    std::string fiftyNamedFields;
    for (int field = 0; field < 50; ++field) {
        fiftyNamedFields += "f\t";
    }
    writeEvaluationFile("a\t\r\n" + fiftyFields + "\r\n" + fiftyNamedFields + "z\t\r\n");
    EXPECT_EQ(read(), folder.file("sampleEvalData.txt") + ":3: more than 50 fields");
    EXPECT_EQ(tables->nLines, 2);
    EXPECT_EQ(bytesOf(fieldCountsFileName),
              "line  1 includes  1 fields.\r\nline  2 includes  50 fields.\r\n");
    std::string echo = "\r\naxx\r\n";
    for (int field = 0; field < 50; ++field) {
        echo += "xx";
    }
    // Line 3 stored its 50 fields before the 51st failed, and every one of them was echoed.
    echo += "\r\n";
    for (int field = 0; field < 50; ++field) {
        echo += "fxx";
    }
    EXPECT_EQ(bytesOf(fieldEchoFileName), echo);
    EXPECT_EQ(logEntries().size(), 2U);
}

TEST_F(DataFileReaderTest, ALineBeyondTheThousandthEndsTheRunWhereItsFirstFieldWouldBeStored) {
    std::string thousandLines;
    for (int line = 1; line <= 1000; ++line) {
        thousandLines += "f\t\r\n";
    }
    const std::string expected = folder.file("sampleEvalData.txt") + ":1001: more than 1000 lines";
    // Line ends alone beyond the table end the run as early as a field does.
    writeEvaluationFile(thousandLines + "f\t\r\n");
    EXPECT_EQ(read(), expected);
    writeEvaluationFile(thousandLines + std::string(100000, '\r'));
    EXPECT_EQ(read(), expected);
    EXPECT_EQ(bytesOf(fieldEchoFileName).size(), 1001 * 2 + 1000 * 3U);
    EXPECT_EQ(testing::splitCrLfLines(bytesOf(fieldCountsFileName)).size(), 1000U);
}

} // namespace
} // namespace courseeval
