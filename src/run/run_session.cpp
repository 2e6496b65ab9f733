#include "run/run_session.h"

#include "core/action_log.h"
#include "core/file_names.h"
#include "core/folder_lock.h"
#include "core/host_path.h"
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

namespace courseeval {

namespace {

constexpr const char* folderPrompt = "Enter path for folder in which the file 'sampleEvalData.txt' is stored";
constexpr const char* confirmationPrompt =
    "Whatever you do don't enter 999 here.  That will overwrite your existing data file.";
constexpr const char* sampleDataAnswer = "999";
// The data folder used when the folder prompt is cancelled or answered with empty text.
constexpr const char* defaultFolderPath = "h:\\tarnholm_2\\";

} // namespace

void runSequence(UserDialogue& dialogue, const SeedClock& seedClock, EvaluationTables& tables) {
    const std::string folderPath = folderPathFromAnswer(dialogue.askText(folderPrompt, AnswerKind::folder));
    dialogue.showNotice("your path is " + folderPath);
    // The folder is this run's alone until the run ends: no other run truncates or writes its files
    // meanwhile. The lock is taken before the action log is truncated.
    const FolderLock folderLock(hostPath(folderPath, ""), hostPath(folderPath, actionLogFileName));
    ActionLog actionLog(hostPath(folderPath, actionLogFileName));

    const std::string answer = dialogue.askText(confirmationPrompt, AnswerKind::plainText);
    RandomSource random(seedClock());
    if (answer == sampleDataAnswer) {
        dialogue.showNotice("OK, here we are where we shouldn't be.");
        actionLog.logAction("went where we shouldn't; how could this have happened????");
        generateSampleData(folderPath, random, dialogue);
    }
    actionLog.logAction("the Path Is " + folderPath);

    readEvaluationData(folderPath, tables, actionLog);
    writeReconstruction(folderPath, tables, actionLog);
    parseDescriptions(tables, actionLog);
    writeInstructorCourses(folderPath, tables, actionLog);
    groupCourses(tables, actionLog);
    writeGroupedReport(folderPath, tables, actionLog);
    writeNumbersOnly(folderPath, tables, actionLog);

    actionLog.close();
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
        // The tables are large; they live on the heap for the whole run.
        const auto tables = std::make_unique<EvaluationTables>();
        runSequence(dialogue, seedClock, *tables);
        return 0;
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
