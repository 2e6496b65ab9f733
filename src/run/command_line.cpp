#include "run/command_line.h"

#include "run/host_process.h"

#include <algorithm>

namespace courseeval {

namespace {

constexpr const char* usage =
    "Usage: course-eval\n"
    "       course-eval --help | --version\n"
    "\n"
    "Analyses a course-evaluation export. course-eval asks for the data folder that holds\n"
    "sampleEvalData.txt, then for a confirmation: Enter analyses the file, 999 first replaces it\n"
    "with 200 generated sample records. It writes the derived files and the action log\n"
    "tracking_eval_program_actions.txt beside it, in the same folder.\n"
    "\n"
    "  -h, --help     show this help and exit\n"
    "      --version  show the version and exit\n"
    "\n"
    "Exit status: 0 when the run ends with \"done\"; 1 after an error, whose message is on\n"
    "standard error; 2 for a wrong argument.\n"
    "\n";

bool isHelp(const std::string& argument) {
    return argument == "--help" || argument == "-h";
}

} // namespace

CommandLineOutcome commandLineOutcome(const std::vector<std::string>& arguments) {
    if (arguments.empty()) {
        return {.run = true, .text = {}, .exitStatus = 0};
    }
    const auto wrong = std::find_if(arguments.begin(), arguments.end(), [](const std::string& argument) {
        return !isHelp(argument) && argument != "--version";
    });
    if (wrong != arguments.end()) {
        return {.run = false,
                .text = "course-eval: unknown argument '" + *wrong +
                        "': course-eval takes no arguments and asks for the data folder (see course-eval "
                        "--help)\n",
                .exitStatus = 2};
    }
    if (std::any_of(arguments.begin(), arguments.end(), isHelp)) {
        return {.run = false, .text = std::string(usage) + moreHelpLine, .exitStatus = 0};
    }
    return {.run = false, .text = "course-eval " COURSE_EVAL_VERSION "\n", .exitStatus = 0};
}

} // namespace courseeval
