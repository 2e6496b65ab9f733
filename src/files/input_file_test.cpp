#include "common/file_names.h"
#include "common/run_error.h"
#include "files/data_folder.h"
#include "testing/file_bytes.h"
#include "testing/temp_folder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace courseeval {
namespace {

class InputFileTest : public ::testing::Test {
protected:
    InputFileTest() { testing::writeBytes(path, "0123456789"); }

    testing::TempFolder temp;
    DataFolder folder{temp.folderPath()};
    const std::string path = temp.file(std::string(evaluationFileName));
    char bytes[64] = {};
};

TEST_F(InputFileTest, FileCutShortWhileItIsReadIsAnErrorAtTheEnd) {
    InputFile input = folder.openEvaluationFile();
    ASSERT_EQ(input.read(bytes, 4), 4U);
    std::filesystem::resize_file(path, 6);
    while (input.read(bytes, sizeof bytes) > 0) {
    }
    try {
        input.close();
        FAIL() << "a file cut short while it was read was taken as complete";
    } catch (const RunError& error) {
        EXPECT_STREQ(error.what(),
                     ("cannot read '" + path + "': the file changed while it was read").c_str());
    }
}

TEST_F(InputFileTest, FileGrownWhileItIsReadIsAnErrorAsSoonAsItShows) {
    InputFile input = folder.openEvaluationFile();
    std::ofstream(path, std::ios::binary | std::ios::app) << "more";
    EXPECT_THROW(while (input.read(bytes, 4) > 0){}, RunError);
}

} // namespace
} // namespace courseeval
