#pragma once

#include "common/user_dialogue.h"
#include "intake/evaluation_tables.h"

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

namespace courseeval {

// The data folder used when the folder prompt is cancelled or answered with empty text.
inline constexpr const char* defaultFolderPath = "h:\\tarnholm_2\\";

// The data folder for a folder answer: the default for empty text, otherwise the answer as typed with
// one backslash appended when it ends in neither a backslash nor a slash.
std::string folderPathFromAnswer(const std::string& answer);

// Gives the seed of the run's random source: the time of day in seconds since midnight
// (secondsSinceMidnight() of run/host_process.h for a real run).
using SeedClock = std::function<std::uint32_t()>;

// One whole run on `tables`, which must be empty (new, or reset): the two prompts, the action log, sample
// data on request, every analysis stage, the closing "done". The data folder is locked against other runs
// from before the action log is created until the run ends. The first error ends the run and leaves it as
// an exception (a RunError for every failure the program detects), after every file still open has been
// flushed and closed.
void runSequence(UserDialogue& dialogue, const SeedClock& seedClock, EvaluationTables& tables);

// Shows the message of the error that ended a run.
using ErrorReporter = std::function<void(const std::string& message)>;

// The program: runSequence on new tables with the one error handler, which hands the error's message to
// `reportError`. Returns the program's exit status: 0 after "done", 1 after an error.
int runSession(UserDialogue& dialogue, const ErrorReporter& reportError, const SeedClock& seedClock);

// runSession for a console: the error's message goes to `errors` as the line "course-eval: <message>".
int runSession(UserDialogue& dialogue, std::ostream& errors, const SeedClock& seedClock);

} // namespace courseeval
