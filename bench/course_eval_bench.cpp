// Speed of a whole run and of the stages worth watching, on the largest evaluation file the tables take:
// 1000 records of 43 fields with 100 distinct descriptions.
#include "core/action_log.h"
#include "core/file_names.h"
#include "core/host_path.h"
#include "intake/data_file_reader.h"
#include "intake/description_parser.h"
#include "intake/evaluation_tables.h"
#include "reports/course_grouping.h"
#include "reports/grouped_report.h"
#include "run/run_session.h"
#include "testing/file_bytes.h"
#include "testing/scripted_dialogue.h"
#include "testing/temp_folder.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <memory>
#include <sstream>

namespace courseeval {
namespace {

constexpr int records = 1000;
constexpr int distinctDescriptions = 100;

std::string largestEvaluationFile() {
    static const char* const subjects[] = {"mth", "phy", "eng", "bio", "his"};
    std::string bytes;
    for (int row = 1; row <= records; ++row) {
        const int course = row % distinctDescriptions;
        bytes += std::to_string(4100000 + row * 7) + "\t";
        bytes += std::string(subjects[course % 5]) + " " + std::to_string(100 + course) + " Section" +
                 std::to_string(40 + course % 2 * 10) + ". Instructor: instructor number " +
                 std::to_string(course) + "\t";
        bytes += std::string(subjects[course % 5]) + "-" + std::to_string(100 + course) + "\t50\t";
        for (int column = 5; column <= EvaluationTables::recordColumns; ++column) {
            bytes += "row  " + std::to_string(row) + "column " + std::to_string(column) + "\t";
        }
        bytes += "\r\n";
    }
    return bytes;
}

// A data folder holding the largest evaluation file, and an action log in it.
struct LargestDataFolder {
    LargestDataFolder() {
        testing::writeBytes(folder.file(std::string(evaluationFileName)), largestEvaluationFile());
    }

    testing::TempFolder folder;
    const std::string folderPath = folder.folderPath();
    ActionLog actionLog{hostPath(folderPath, actionLogFileName)};
};

void wholeRun(benchmark::State& state) {
    LargestDataFolder data;
    std::ostringstream errors;
    for (auto _ : state) {
        testing::ScriptedDialogue dialogue({data.folder.path().string(), ""});
        if (runSession(dialogue, errors, [] { return 0U; }) != 0) {
            state.SkipWithError(errors.str().c_str());
            break;
        }
    }
}
BENCHMARK(wholeRun)->Unit(benchmark::kMillisecond);

void readEvaluationDataStage(benchmark::State& state) {
    LargestDataFolder data;
    const auto tables = std::make_unique<EvaluationTables>();
    for (auto _ : state) {
        // As in a run, the reader fills fresh tables.
        tables->reset();
        readEvaluationData(data.folderPath, *tables, data.actionLog);
    }
}
BENCHMARK(readEvaluationDataStage)->Unit(benchmark::kMillisecond);

void groupCoursesStage(benchmark::State& state) {
    LargestDataFolder data;
    const auto tables = std::make_unique<EvaluationTables>();
    readEvaluationData(data.folderPath, *tables, data.actionLog);
    for (auto _ : state) {
        groupCourses(*tables, data.actionLog);
    }
}
BENCHMARK(groupCoursesStage)->Unit(benchmark::kMicrosecond);

void writeGroupedReportStage(benchmark::State& state) {
    LargestDataFolder data;
    const auto tables = std::make_unique<EvaluationTables>();
    readEvaluationData(data.folderPath, *tables, data.actionLog);
    groupCourses(*tables, data.actionLog);
    for (auto _ : state) {
        writeGroupedReport(data.folderPath, *tables, data.actionLog);
    }
}
BENCHMARK(writeGroupedReportStage)->Unit(benchmark::kMillisecond);

// A 40 MB description made of nothing but keywords: the parse must stay linear in the length.
void parseLongDescription(benchmark::State& state) {
    std::string description;
    while (description.size() < std::size_t{40} * 1000 * 1000) {
        description += "section";
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(parseDescription(description));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(description.size()));
}
BENCHMARK(parseLongDescription)->Unit(benchmark::kMillisecond);

void allocateTables(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(std::make_unique<EvaluationTables>());
    }
}
BENCHMARK(allocateTables)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace courseeval

BENCHMARK_MAIN();
