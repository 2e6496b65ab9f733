#include "common/file_names.h"
#include "common/run_error.h"
#include "intake/description_parser.h"
#include "sample/sample_data_generator.h"
#include "testing/file_bytes.h"
#include "testing/scripted_dialogue.h"
#include "testing/temp_folder.h"

#include <algorithm>
#include <gmock/gmock.h>
#include <map>
#include <set>

namespace courseeval {
namespace {

using testing::readBytes;
using testing::splitCrLfLines;

std::vector<std::string> fieldsOf(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t tab = line.find('\t'); tab != std::string::npos; tab = line.find('\t', start)) {
        fields.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
    return fields;
}

class SampleDataGeneratorTest : public ::testing::Test {
protected:
    std::string generate(std::uint64_t seed) {
        RandomSource random(seed);
        testing::ScriptedDialogue dialogue({});
        generateSampleData(DataFolder(folder.folderPath()), random, dialogue);
        EXPECT_THAT(dialogue.shown,
                    ::testing::ElementsAre("notice: Sample data should have been overwritten"));
        return readBytes(folder.file(std::string(evaluationFileName)));
    }

    testing::TempFolder folder;
};

TEST_F(SampleDataGeneratorTest, TwoHundredRecordsOfFortyThreeTabTerminatedFields) {
    testing::writeBytes(folder.file(std::string(evaluationFileName)), std::string(100000, 'o'));
    const std::string bytes = generate(12345);
    ASSERT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
    const auto lines = splitCrLfLines(bytes);
    ASSERT_EQ(lines.size(), 200U);
    for (std::size_t index = 0; index < lines.size(); ++index) {
        const std::string& line = lines[index];
        const int row = static_cast<int>(index) + 1;
        ASSERT_EQ(std::count(line.begin(), line.end(), '\t'), 43) << line;
        ASSERT_EQ(line.back(), '\t');
        const auto fields = fieldsOf(line);
        EXPECT_EQ(fields[0].find_first_not_of("0123456789"), std::string::npos);
        EXPECT_LE(fields[0].size(), 7U);
        EXPECT_EQ(fields[4], "row  " + std::to_string(row) + "column 5");
        EXPECT_EQ(fields[42], "row  " + std::to_string(row) + "column 43");
    }
}

TEST_F(SampleDataGeneratorTest, DescriptionsParseBackAndAgreeWithCourseCodeAndSection) {
    const std::map<std::string, std::string> instructorOf = {{"mth", "elementary dunmoor"},
                                                             {"phy", "orwin brashby"},
                                                             {"eng", "tova klemwright"},
                                                             {"bio", "dunmoor fennick"},
                                                             {"his", "sabeline the great"}};
    std::set<std::string> descriptions;
    std::set<std::string> sectionDigits;
    std::set<std::string> subjects;
    for (const std::string& line : splitCrLfLines(generate(7))) {
        const auto fields = fieldsOf(line);
        const ParsedDescription parsed = parseDescription(fields[1]);
        // The course code is subject, hyphen, section code; the course name the same with a blank.
        const std::string subject = fields[2].substr(0, 3);
        ASSERT_EQ(fields[2].size(), 7U);
        EXPECT_EQ(fields[2][3], '-');
        EXPECT_THAT(fields[2].substr(4), ::testing::AnyOf("121", "211"));
        std::string courseName = fields[2];
        courseName[3] = ' ';
        EXPECT_EQ(parsed, (ParsedDescription{courseName, fields[3], instructorOf.at(subject)}));
        descriptions.insert(fields[1]);
        sectionDigits.insert(fields[3]);
        subjects.insert(subject);
    }
    // The section digits are drawn once per file; with 200 records every subject turns up.
    EXPECT_EQ(sectionDigits.size(), 1U);
    EXPECT_THAT(*sectionDigits.begin(), ::testing::AnyOf("40", "50"));
    EXPECT_EQ(subjects.size(), 5U);
    EXPECT_LE(descriptions.size(), 10U);
}

TEST_F(SampleDataGeneratorTest, SameSeedSameFileAndOtherSeedsOtherFiles) {
    const std::string first = generate(99);
    EXPECT_EQ(generate(99), first);
    EXPECT_NE(generate(100), first);
}

TEST_F(SampleDataGeneratorTest, FileIsCompleteOnDiskBeforeTheUserIsTold) {
    class CheckingDialogue : public testing::ScriptedDialogue {
    public:
        explicit CheckingDialogue(std::string path) : ScriptedDialogue({}), path_(std::move(path)) {}
        void showNotice(const std::string& message) override {
            linesAtNotice = splitCrLfLines(readBytes(path_)).size();
            ScriptedDialogue::showNotice(message);
        }
        std::size_t linesAtNotice = 0;

    private:
        std::string path_;
    };
    CheckingDialogue dialogue(folder.file(std::string(evaluationFileName)));
    RandomSource random(1);
    generateSampleData(DataFolder(folder.folderPath()), random, dialogue);
    EXPECT_EQ(dialogue.linesAtNotice, 200U);
}

TEST_F(SampleDataGeneratorTest, UncreatableFileIsAnErrorAndNothingIsAnnounced) {
    RandomSource random(1);
    testing::ScriptedDialogue dialogue({});
    EXPECT_THROW(generateSampleData(DataFolder(folder.folderPath() + "missing/"), random, dialogue),
                 RunError);
    EXPECT_TRUE(dialogue.shown.empty());
}

} // namespace
} // namespace courseeval
