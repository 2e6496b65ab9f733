#pragma once

#include "common/user_dialogue.h"
#include "intake/evaluation_tables.h"

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace courseeval {

// The data folder used when the folder prompt is cancelled or answered with empty text.
inline constexpr const char* defaultFolderPath = "h:\\tarnholm_2\\";

// The data folder for a folder answer: the default for empty text, otherwise the answer as typed with
// one backslash appended when it ends in neither a backslash nor a slash.
std::string folderPathFromAnswer(const std::string& answer);

// What most likely stands behind a folder answer `answer` that names no usable folder, for the answers
// people most often give by mistake (TABs, quotes, "~", a blank at either end, the evaluation file itself):
// a hint that says what to do; empty text for none.
std::string folderAnswerHint(std::string_view answer);

// Gives the seed of the run's random source: the time of day in seconds since midnight
// (secondsSinceMidnight() of run/host_process.h for a real run).
using SeedClock = std::function<std::uint32_t()>;

// Shows the warnings a run has about the evaluation file it read, each a sentence that names the file.
using WarningReporter = std::function<void(const std::vector<std::string>& warnings)>;

// One whole run on `tables`, which must be empty (new, or reset): the two prompts, the action log, sample
// data on request, every analysis stage, the warnings about what the evaluation file does not look like
// (to `warn`, before "done"), the closing "done". The data folder is locked against other runs from before
// the action log is created until the run ends. The first error ends the run and leaves it as an exception
// (a RunError for every failure the program detects), after every file still open has been flushed and
// closed.
void runSequence(UserDialogue& dialogue, const SeedClock& seedClock, EvaluationTables& tables,
                 const WarningReporter& warn = {});

// Shows the message of the error that ended a run.
using ErrorReporter = std::function<void(const std::string& message)>;

// Where a run's messages beyond its dialogue go: the error that ended it, and the warnings about the
// evaluation file, after the run's last notice but "done", and after an error where they explain it.
struct RunReporter {
    ErrorReporter error;
    WarningReporter warnings;
};

// The program: runSequence on new tables with the one error handler. Returns the program's exit status:
// 0 after "done", 1 after an error.
int runSession(UserDialogue& dialogue, const RunReporter& report, const SeedClock& seedClock);

// runSession for a console: the error's message goes to `errors` as the line "course-eval: <message>",
// each warning as a line "course-eval: warning: <warning>".
int runSession(UserDialogue& dialogue, std::ostream& errors, const SeedClock& seedClock);

} // namespace courseeval
