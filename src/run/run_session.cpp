#include "run/run_session.h"

#include "common/file_names.h"
#include "common/run_error.h"
#include "files/action_log.h"
#include "files/data_folder.h"
#include "intake/data_file_reader.h"
#include "intake/description_parser.h"
#include "intake/evaluation_findings.h"
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

// An error, with the warnings about the evaluation file that explain it.
class ExplainedError : public RunError {
public:
    ExplainedError(const std::string& what, std::vector<std::string> warnings)
        : RunError(what), warnings_(std::move(warnings)) {}
    const std::vector<std::string>& warnings() const { return warnings_; }

private:
    std::vector<std::string> warnings_;
};

// What the evaluation file `path` shows in `tables` of not being an evaluation export, each a sentence
// that names it.
std::vector<std::string> warningsAbout(const EvaluationTables& tables, const std::string& path,
                                       bool afterError) {
    std::vector<std::string> warnings = evaluationFindings(tables, afterError);
    for (std::string& warning : warnings) {
        warning.insert(0, path + ": ");
    }
    return warnings;
}

// The data folder `folderPath`, answered `answer`. Where it cannot be used, the error says what in the
// answer most likely stands behind it, for the answers people most often give by mistake.
std::unique_ptr<DataFolder> openDataFolder(const std::string& folderPath, const std::string& answer) {
    try {
        return std::make_unique<DataFolder>(folderPath);
    } catch (const RunError& error) {
        const std::string hint = folderAnswerHint(answer);
        if (hint.empty()) {
            throw;
        }
        throw RunError(std::string(error.what()) + "; " + hint);
    }
}

} // namespace

std::string folderAnswerHint(std::string_view answer) {
    if (answer.find('\t') != std::string_view::npos) {
        return "the answer holds TABs, as a record of the evaluation file does: the answers are read from "
               "standard input, so give the folder there, and not the file (course-eval < "
               "sampleEvalData.txt)";
    }
    if (answer.starts_with('"') || answer.starts_with('\'') || answer.ends_with('"') ||
        answer.ends_with('\'')) {
        return "the folder name is in quotes; give it without them";
    }
    if (answer.starts_with('~')) {
        return "'~' stands for the home folder only in a shell; give the folder's full path";
    }
    if (answer.starts_with(' ') || answer.ends_with(' ')) {
        return std::string("the answer ") + (answer.starts_with(' ') ? "starts" : "ends") +
               " with a blank, which is part of the folder name as typed; give it without";
    }
    const std::string_view named = answer.substr(0, answer.find_last_not_of("\\/") + 1);
    const std::size_t separator = named.find_last_of("\\/");
    if (named.substr(separator == std::string_view::npos ? 0 : separator + 1) == evaluationFileName) {
        return "that is the evaluation file itself; give the folder that holds it";
    }
    return {};
}

void runSequence(UserDialogue& dialogue, const SeedClock& seedClock, EvaluationTables& tables,
                 const WarningReporter& warn) {
    const std::string typed = dialogue.askText(folderPrompt, AnswerKind::folder);
    const std::string folderPath = folderPathFromAnswer(typed);
    dialogue.showNotice("your path is " + folderPath);
    const std::unique_ptr<DataFolder> opened = openDataFolder(folderPath, typed);
    DataFolder& folder = *opened;
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

    const std::string evaluationPath = folder.pathOf(evaluationFileName);
    try {
        within("while reading the evaluation file", [&] { readEvaluationData(folder, tables, actionLog); });
        within("while writing the reconstruction", [&] { writeReconstruction(folder, tables, actionLog); });
        within("while parsing the descriptions", [&] { parseDescriptions(tables, actionLog); });
        within("while writing the instructor listing",
               [&] { writeInstructorCourses(folder, tables, actionLog); });
        within("while grouping the records", [&] {
            try {
                groupCourses(tables, actionLog);
            } catch (const RecordError& error) {
                throw fileLineError(evaluationPath, error.row(), error.what());
            }
        });
        within("while writing the grouped report", [&] { writeGroupedReport(folder, tables, actionLog); });
        within("while writing the numbers-only extract",
               [&] { writeNumbersOnly(folder, tables, actionLog); });
    } catch (const RunError& error) {
        // What the file shows of another format explains many an error it ends in.
        std::vector<std::string> why = warningsAbout(tables, evaluationPath, true);
        if (why.empty()) {
            throw;
        }
        throw ExplainedError(error.what(), std::move(why));
    }
    const std::vector<std::string> warnings = warningsAbout(tables, evaluationPath, false);

    // Everything is written: other runs may come in while the user reads the notice.
    actionLog.release();
    if (!warnings.empty() && warn) {
        warn(warnings);
    }
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

int runSession(UserDialogue& dialogue, const RunReporter& report, const SeedClock& seedClock) {
    try {
        std::unique_ptr<EvaluationTables> tables;
        // The tables are large; they live on the heap for the whole run.
        within("for the tables", [&] { tables = std::make_unique<EvaluationTables>(); });
        runSequence(dialogue, seedClock, *tables, report.warnings);
        return 0;
    } catch (const std::bad_alloc&) {
        report.error("not enough memory");
        return 1;
    } catch (const ExplainedError& error) {
        report.error(error.what());
        report.warnings(error.warnings());
        return 1;
    } catch (const std::exception& error) {
        // Every file still open has been flushed and closed by now, keeping what was written before the
        // error.
        report.error(error.what());
        return 1;
    }
}

int runSession(UserDialogue& dialogue, std::ostream& errors, const SeedClock& seedClock) {
    return runSession(dialogue,
                      {[&errors](const std::string& message) {
                           errors << "course-eval: " << message << '\n' << std::flush;
                       },
                       [&errors](const std::vector<std::string>& warnings) {
                           for (const std::string& warning : warnings) {
                               errors << "course-eval: warning: " << warning << '\n';
                           }
                           errors << std::flush;
                       }},
                      seedClock);
}

} // namespace courseeval
