#include "common/run_error.h"
#include "intake/data_file_reader.h"
#include "intake/reconstruction_writer.h"
#include "testing/small_disk.h"
#include "testing/stage_fixture.h"

#include <filesystem>
#include <gmock/gmock.h>

namespace courseeval {
namespace {

using ::testing::HasSubstr;

class ReconstructionWriterTest : public testing::StageFixture {};

TEST_F(ReconstructionWriterTest, WellFormedFileIsReproducedByteForByte) {
    std::string input;
    for (int row = 1; row <= 3; ++row) {
        input +=
            testing::recordLine(testing::sampleRecord(row, "eng 121 Section40. Instructor: tova klemwright"));
    }
    input += testing::recordLine(std::vector<std::string>(43, "")); // a record of 43 empty fields
    writeEvaluationFile(input);
    readEvaluationData(dataFolder, *tables, actionLog);
    writeReconstruction(dataFolder, *tables, actionLog);
    EXPECT_EQ(bytesOf(reconstructionFileName), input);
    EXPECT_EQ(logEntries().back(), "dataArray has been written to #2, which should now contain a copy of #1");
}

TEST_F(ReconstructionWriterTest, EveryRecordLineHoldsExactlyFortyThreeFields) {
    std::vector<std::string> tenFields;
    std::vector<std::string> fortyFiveFields;
    for (int column = 1; column <= 45; ++column) {
        (column <= 10 ? tenFields : fortyFiveFields).push_back("t" + std::to_string(column));
        if (column <= 10) {
            fortyFiveFields.push_back("f" + std::to_string(column));
        }
    }
    fillRows({tenFields, fortyFiveFields});
    writeReconstruction(dataFolder, *tables, actionLog);

    std::string expected = "t1\tt2\tt3\tt4\tt5\tt6\tt7\tt8\tt9\tt10\t" + std::string(33, '\t') + "\r\n";
    for (int column = 1; column <= 43; ++column) {
        expected += fortyFiveFields[static_cast<std::size_t>(column - 1)] + "\t";
    }
    expected += "\r\n";
    EXPECT_EQ(bytesOf(reconstructionFileName), expected);
}

TEST_F(ReconstructionWriterTest, NoLinesGiveAnEmptyFileAndTheEntryIsStillLogged) {
    writeReconstruction(dataFolder, *tables, actionLog);
    EXPECT_EQ(bytesOf(reconstructionFileName), "");
    EXPECT_EQ(logEntries().size(), 1U);
}

TEST_F(ReconstructionWriterTest, LineCountedPastTheTableEndsTheRunHere) {
    tables->nLines = 1001;
    EXPECT_THROW(
        {
            try {
                writeReconstruction(dataFolder, *tables, actionLog);
            } catch (const RunError& error) {
                EXPECT_STREQ(error.what(), "'dataArray' has no row 1001");
                throw;
            }
        },
        RunError);
}

#ifndef _WIN32
TEST_F(ReconstructionWriterTest, FullDiskIsAnErrorAndNothingIsLoggedAsWritten) {
    const std::filesystem::path disk = folder.path() / "disk";
    std::filesystem::create_directory(disk);
    const testing::FullDiskAfter full(disk, 0);
    const DataFolder fullDisk((disk / "").string());
    fillRows({testing::sampleRecord(1, "d")});
    try {
        writeReconstruction(fullDisk, *tables, actionLog);
        FAIL() << "writing to a full disk succeeded";
    } catch (const RunError& error) {
        EXPECT_THAT(error.what(),
                    HasSubstr((disk / reconstructionFileName).string() + "': No space left on device"));
    }
    EXPECT_TRUE(logEntries().empty());
}
#endif

} // namespace
} // namespace courseeval
