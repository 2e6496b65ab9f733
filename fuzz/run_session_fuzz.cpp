// Fuzz target: a whole analysis run (the confirmation cancelled) on any bytes as the evaluation file.
// Besides "no crash", the run must either complete or end with the program's own error, leave the
// evaluation file unchanged, and, when it completes, write files of the right shape: CR LF line ends,
// 43 TABs on every record line, 18 on every numbers-only line, one cross-check line per grouped record.
#include "common/file_names.h"
#include "common/run_error.h"
#include "files/host.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/reused_tables.h"
#include "run/run_session.h"
#include "testing/file_bytes.h"
#include "testing/output_checks.h"
#include "testing/scripted_dialogue.h"
#include "testing/temp_folder.h"

#include <algorithm>
#include <cstdint>

namespace courseeval {
namespace {

using testing::fuzzFail;

void checkCompletedRun(const std::string& folderPath) {
    const auto bytesOf = [&](std::string_view name) {
        return testing::readBytes(host::folderName(folderPath).append(name));
    };
    const auto require = [](const std::string& problem, std::string_view file) {
        if (!problem.empty()) {
            fuzzFail(std::string(file) + ": " + problem);
        }
    };
    // Once its line ends are known to be CR LF, a file's lines are counted by its CRs.
    const auto lineCount = [](const std::string& bytes) {
        return std::count(bytes.begin(), bytes.end(), '\r');
    };
    const auto requireSameCount = [](std::ptrdiff_t count, std::ptrdiff_t expected, const char* what) {
        if (count != expected) {
            fuzzFail(std::string(what) + ": " + std::to_string(count) + " lines, not " +
                     std::to_string(expected));
        }
    };
    for (const std::string_view name : {actionLogFileName, instructorListingFileName, crossCheckFileName}) {
        require(testing::checkCrLfLines(bytesOf(name)), name);
    }
    // The echo has no line end after its last line, but every CR in it still starts a CR LF.
    require(testing::checkCrLfLines(bytesOf(fieldEchoFileName) + "\r\n"), fieldEchoFileName);

    const std::string counts = bytesOf(fieldCountsFileName);
    const std::string reconstruction = bytesOf(reconstructionFileName);
    const std::string grouped = bytesOf(groupedReportFileName);
    const std::string extract = bytesOf(numbersOnlyFileName);
    require(testing::checkCrLfLines(counts), fieldCountsFileName);
    require(testing::checkCrLfLines(reconstruction), reconstructionFileName);
    require(testing::checkCrLfLines(grouped), groupedReportFileName);
    require(testing::checkCrLfLines(extract), numbersOnlyFileName);
    require(testing::checkTabsPerLine(reconstruction, 43), reconstructionFileName);
    require(testing::checkTabsPerLine(grouped, 43), groupedReportFileName);
    require(testing::checkTabsPerLine(extract, 18), numbersOnlyFileName);

    const auto lines = lineCount(counts);
    requireSameCount(lineCount(reconstruction), lines, "reconstruction");
    requireSameCount(lineCount(bytesOf(instructorListingFileName)), lines, "listing");
    requireSameCount(lineCount(extract), lines, "extract");
    requireSameCount(lineCount(bytesOf(crossCheckFileName)), lineCount(grouped),
                     "cross-check against grouped report");
}

} // namespace
} // namespace courseeval

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace courseeval;
    const std::string input(reinterpret_cast<const char*>(data), size);
    const testing::TempFolder& folder = testing::fuzzFolderHolding(input);
    const std::string folderPath = folder.folderPath();

    EvaluationTables& tables = testing::reusedTables();
    testing::ScriptedDialogue dialogue({folder.path().string(), ""});
    bool completed = false;
    try {
        runSequence(
            dialogue, [] { return 0U; }, tables);
        completed = true;
    } catch (const RunError&) {
        // The program's own error; anything else escapes and is a finding.
    }

    tables.reset();
    testing::requireEvaluationFileUnchanged(folder, input);
    if (completed != (!dialogue.shown.empty() && dialogue.shown.back() == "notice: done")) {
        fuzzFail("\"done\" shown although the run failed, or missing after it completed");
    }
    if (completed) {
        checkCompletedRun(folderPath);
    }
    return 0;
}
