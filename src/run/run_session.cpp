#include "run/run_session.h"

#include "common/file_names.h"
#include "common/run_error.h"
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
#include "sample/random_source.h"
#include "sample/sample_data_generator.h"

#include <exception>
#include <memory>
#include <new>

namespace courseeval {

namespace {

constexpr const char* folderPrompt = "Enter path for folder in which the file 'sampleEvalData.txt' is stored";
constexpr const char* confirmationPrompt =
    "Whatever you do don't enter 999 here.  That will overwrite your existing data file.";
constexpr const char* sampleDataAnswer = "999";

// Runs `step`, in which an allocation that fails ends the run as "not enough memory <doing>".
template <typename Step>
void within(const char* doing, Step&& step) {
    try {
        step();
    } catch (const std::bad_alloc&) {
        throw RunError(std::string("not enough memory ") + doing);
    }
}

} // namespace

void runSequence(UserDialogue& dialogue, const SeedClock& seedClock, EvaluationTables& tables) {
    const std::string folderPath = folderPathFromAnswer(dialogue.askText(folderPrompt, AnswerKind::folder));
    dialogue.showNotice("your path is " + folderPath);
    DataFolder folder(folderPath);
    // The folder is this run's alone until its files are written: no other run truncates or writes them
    // meanwhile. The lock is taken before the action log is emptied.
    ActionLog& actionLog = folder.lock();

    const std::string answer = dialogue.askText(confirmationPrompt, AnswerKind::plainText);
    RandomSource random(seedClock());
    if (answer == sampleDataAnswer) {
        dialogue.showNotice("OK, here we are where we shouldn't be.");
        actionLog.logAction("went where we shouldn't; how could this have happened????");
        within("while writing sample data", [&] { generateSampleData(folder, random, dialogue); });
    }
    actionLog.logAction("the Path Is " + folderPath);

    within("while reading the evaluation file", [&] { readEvaluationData(folder, tables, actionLog); });
    within("while writing the reconstruction", [&] { writeReconstruction(folder, tables, actionLog); });
    within("while parsing the descriptions", [&] { parseDescriptions(tables, actionLog); });
    within("while writing the instructor listing",
           [&] { writeInstructorCourses(folder, tables, actionLog); });
    within("while grouping the records", [&] {
        try {
            groupCourses(tables, actionLog);
        } catch (const RecordError& error) {
            throw fileLineError(folder.pathOf(evaluationFileName), error.row(), error.what());
        }
    });
    within("while writing the grouped report", [&] { writeGroupedReport(folder, tables, actionLog); });
    within("while writing the numbers-only extract", [&] { writeNumbersOnly(folder, tables, actionLog); });

    // Everything is written: other runs may come in while the user reads the notice.
    actionLog.release();
    dialogue.showNotice("done");
}

std::string folderPathFromAnswer(const std::string& answer) {
    if (answer.empty()) {
        return defaultFolderPath;
    }
    if (answer.back() == '\\' || answer.back() == '/') {
        return answer;
    }
    return answer + '\\';
}

int runSession(UserDialogue& dialogue, const ErrorReporter& reportError, const SeedClock& seedClock) {
    try {
        std::unique_ptr<EvaluationTables> tables;
        // The tables are large; they live on the heap for the whole run.
        within("for the tables", [&] { tables = std::make_unique<EvaluationTables>(); });
        runSequence(dialogue, seedClock, *tables);
        return 0;
    } catch (const std::bad_alloc&) {
        reportError("not enough memory");
        return 1;
    } catch (const std::exception& error) {
        // Every file still open has been flushed and closed by now, keeping what was written before the
        // error.
        reportError(error.what());
        return 1;
    }
}

int runSession(UserDialogue& dialogue, std::ostream& errors, const SeedClock& seedClock) {
    return runSession(
        dialogue,
        [&errors](const std::string& message) { errors << "course-eval: " << message << '\n'
                                                       << std::flush; },
        seedClock);
}

} // namespace courseeval
