// Speed of a whole run and of each of its stages, on the largest evaluation file the tables take: 1000
// records of 43 fields with 100 distinct descriptions. bench/compare sets a whole run of the program
// against the I/O floor.
#include "common/file_names.h"
#include "files/action_log.h"
#include "files/data_folder.h"
#include "intake/data_file_reader.h"
#include "intake/description_parser.h"
#include "intake/evaluation_tables.h"
#include "intake/instructor_listing.h"
#include "intake/reconstruction_writer.h"
#include "reports/course_grouping.h"
#include "reports/grouped_report.h"
#include "reports/numbers_only_extract.h"
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
    DataFolder dataFolder{folderPath};
    ActionLog& actionLog = dataFolder.lock();
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
        readEvaluationData(data.dataFolder, *tables, data.actionLog);
    }
}
BENCHMARK(readEvaluationDataStage)->Unit(benchmark::kMillisecond);

// The tables of the largest file after the stages before `stage` in a run: read, then parsed, then
// grouped. Each later stage is timed on its own, so that a change can be traced to its stage.
enum class Prepared { read, parsed, grouped };

std::unique_ptr<EvaluationTables> preparedTables(LargestDataFolder& data, Prepared stage) {
    auto tables = std::make_unique<EvaluationTables>();
    readEvaluationData(data.dataFolder, *tables, data.actionLog);
    if (stage >= Prepared::parsed) {
        parseDescriptions(*tables, data.actionLog);
    }
    if (stage >= Prepared::grouped) {
        groupCourses(*tables, data.actionLog);
    }
    return tables;
}

// Times `stage`, given the largest data folder and its tables as the stages `before` it leave them.
template <typename Stage>
void laterStage(benchmark::State& state, Prepared before, Stage stage) {
    LargestDataFolder data;
    const auto tables = preparedTables(data, before);
    for (auto _ : state) {
        stage(data, *tables);
    }
}

BENCHMARK_CAPTURE(laterStage, writeReconstruction, Prepared::read,
                  [](LargestDataFolder& data, EvaluationTables& tables) {
                      writeReconstruction(data.dataFolder, tables, data.actionLog);
                  })
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(laterStage, parseDescriptions, Prepared::read,
                  [](LargestDataFolder& data, EvaluationTables& tables) {
                      parseDescriptions(tables, data.actionLog);
                  })
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(laterStage, writeInstructorCourses, Prepared::parsed,
                  [](LargestDataFolder& data, EvaluationTables& tables) {
                      writeInstructorCourses(data.dataFolder, tables, data.actionLog);
                  })
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(laterStage, groupCourses, Prepared::parsed,
                  [](LargestDataFolder& data, EvaluationTables& tables) {
                      groupCourses(tables, data.actionLog);
                  })
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(laterStage, writeGroupedReport, Prepared::grouped,
                  [](LargestDataFolder& data, EvaluationTables& tables) {
                      writeGroupedReport(data.dataFolder, tables, data.actionLog);
                  })
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(laterStage, writeNumbersOnly, Prepared::grouped,
                  [](LargestDataFolder& data, EvaluationTables& tables) {
                      writeNumbersOnly(data.dataFolder, tables, data.actionLog);
                  })
    ->Unit(benchmark::kMicrosecond);

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
