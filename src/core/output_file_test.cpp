#include "core/output_file.h"
#include "core/run_error.h"
#include "testing/file_bytes.h"
#include "testing/full_device.h"
#include "testing/temp_folder.h"

#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace courseeval {
namespace {

using ::testing::HasSubstr;
using testing::readBytes;
using testing::TempFolder;

TEST(OutputFileTest, WritesPiecesAndCrLfLinesByteForByteAndTruncates) {
    TempFolder folder;
    const std::string path = folder.file("out.txt");
    testing::writeBytes(path, "old content that must disappear");
    OutputFile file(path);
    file.writePiece("a\tb");
    file.writeLine("");
    file.writeLine("\xE9\n");
    file.close();
    EXPECT_EQ(readBytes(path), "a\tb\r\n\xE9\n\r\n");
}

TEST(OutputFileTest, CreateFailureNamesTheFileAndTheCause) {
    TempFolder folder;
    const std::string path = folder.file("missing/out.txt");
    try {
        OutputFile file(path);
        FAIL() << "creating a file in a missing folder succeeded";
    } catch (const RunError& error) {
        EXPECT_THAT(error.what(), HasSubstr("cannot create '" + path + "'"));
        EXPECT_THAT(error.what(), HasSubstr("No such file or directory"));
    }
}

TEST(OutputFileTest, FullDeviceFailsAtFlushAndNamesTheFile) {
    TempFolder folder;
    const std::string path = folder.file("full.txt");
    if (!testing::placeFullDevice(path)) {
        GTEST_SKIP() << "no full device on this host";
    }
    OutputFile file(path);
    file.writeLine("buffered, so this write itself still succeeds");
    try {
        file.close();
        FAIL() << "closing a file on a full device succeeded";
    } catch (const RunError& error) {
        EXPECT_THAT(error.what(), HasSubstr("'" + path + "'"));
        EXPECT_THAT(error.what(), HasSubstr("No space left on device"));
    }
}

TEST(OutputFileTest, FileLeftOpenByAnErrorKeepsWhatWasWritten) {
    TempFolder folder;
    const std::string path = folder.file("partial.txt");
    try {
        OutputFile file(path);
        file.writeLine("written before the error");
        throw RunError("an error ends the run");
    } catch (const RunError&) {
    }
    EXPECT_EQ(readBytes(path), "written before the error\r\n");
}

} // namespace
} // namespace courseeval
