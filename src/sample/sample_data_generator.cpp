#include "sample/sample_data_generator.h"

#include "files/output_file.h"
#include "intake/evaluation_tables.h"

#include <array>
#include <string_view>

namespace courseeval {

namespace {

// One index picks both, so each subject always comes with the same instructor.
constexpr std::array<std::string_view, 5> subjectCode{"mth", "phy", "eng", "bio", "his"};
constexpr std::array<std::string_view, 5> sampleInstructor{
    "elementary dunmoor", "orwin brashby", "tova klemwright", "dunmoor fennick", "sabeline the great"};
constexpr std::array<std::string_view, 2> sectionCode{"121", "211"};

constexpr int sampleRecordCount = 200;
constexpr int recordNumberLimit = 10000000;
constexpr int firstFillerColumn = 5;

} // namespace

void generateSampleData(const DataFolder& folder, RandomSource& random, UserDialogue& dialogue) {
    // The old file is replaced only by 200 complete records on the disk, and only then is the user told.
    std::string records;
    const std::string sectionDigits = std::to_string(random.nextBelow(2) * 10 + 40);
    for (int row = 1; row <= sampleRecordCount; ++row) {
        // The draws of a record come in this order: record number, subject, section code.
        const std::string recordNumber = std::to_string(random.nextBelow(recordNumberLimit));
        const auto subject = static_cast<std::size_t>(random.nextBelow(static_cast<int>(subjectCode.size())));
        const auto section = static_cast<std::size_t>(random.nextBelow(static_cast<int>(sectionCode.size())));

        records.append(recordNumber).append("\t");
        records.append(subjectCode[subject]).append(" ").append(sectionCode[section]);
        records.append(" Section")
            .append(sectionDigits)
            .append(". Instructor: ")
            .append(sampleInstructor[subject]);
        records.append("\t");
        records.append(subjectCode[subject]).append("-").append(sectionCode[section]).append("\t");
        records.append(sectionDigits).append("\t");
        for (int column = firstFillerColumn; column <= EvaluationTables::recordColumns; ++column) {
            records.append("row ")
                .append(numberText(row))
                .append("column")
                .append(numberText(column))
                .append("\t");
        }
        records.append("\r\n");
    }
    folder.replaceEvaluationFile(records);
    dialogue.showNotice("Sample data should have been overwritten");
}

} // namespace courseeval
