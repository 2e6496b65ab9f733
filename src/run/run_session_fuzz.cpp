// Fuzz target: a whole analysis run (the confirmation cancelled) on any bytes as the evaluation file.
// Besides "no crash", the run must either complete or end with the program's own error, leave the
// evaluation file unchanged, and, when it completes, write files of the right shape: CR LF line ends,
// 43 TABs on every record line, 18 on every numbers-only line, one cross-check line per grouped record.
#include "run/file_names.h"
#include "run/host_path.h"
#include "run/run_error.h"
#include "run/run_session.h"
#include "testing/file_bytes.h"
#include "testing/fuzz_check.h"
#include "testing/output_checks.h"
#include "testing/scripted_dialogue.h"
#include "testing/temp_folder.h"

#include <cstdint>

namespace courseeval {
namespace {

using testing::fuzzFail;

void checkCompletedRun(const std::string& folderPath) {
    const auto bytesOf = [&](std::string_view name) {
        return testing::readBytes(hostPath(folderPath, name));
    };
    const auto require = [](const std::string& problem, std::string_view file) {
        if (!problem.empty()) {
            fuzzFail(std::string(file) + ": " + problem);
        }
    };
    const auto requireSameCount = [](std::size_t count, std::size_t expected, const char* what) {
        if (count != expected) {
            fuzzFail(std::string(what) + ": " + std::to_string(count) + " lines, not " +
                     std::to_string(expected));
        }
    };
    for (const std::string_view name :
         {actionLogFileName, fieldCountsFileName, reconstructionFileName, instructorListingFileName,
          groupedReportFileName, crossCheckFileName, numbersOnlyFileName}) {
        require(testing::checkCrLfLines(bytesOf(name)), name);
    }
    // The echo has no line end after its last line, but every CR in it still starts a CR LF.
    require(testing::checkCrLfLines(bytesOf(fieldEchoFileName) + "\r\n"), fieldEchoFileName);

    const std::string reconstruction = bytesOf(reconstructionFileName);
    const std::string grouped = bytesOf(groupedReportFileName);
    require(testing::checkTabsPerLine(reconstruction, 43), reconstructionFileName);
    require(testing::checkTabsPerLine(grouped, 43), groupedReportFileName);
    require(testing::checkTabsPerLine(bytesOf(numbersOnlyFileName), 18), numbersOnlyFileName);

    const std::size_t lines = testing::splitCrLfLines(bytesOf(fieldCountsFileName)).size();
    requireSameCount(testing::splitCrLfLines(reconstruction).size(), lines, "reconstruction");
    requireSameCount(testing::splitCrLfLines(bytesOf(instructorListingFileName)).size(), lines, "listing");
    requireSameCount(testing::splitCrLfLines(bytesOf(numbersOnlyFileName)).size(), lines, "extract");
    requireSameCount(testing::splitCrLfLines(bytesOf(crossCheckFileName)).size(),
                     testing::splitCrLfLines(grouped).size(), "cross-check against grouped report");
}

} // namespace
} // namespace courseeval

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace courseeval;
    const std::string input(reinterpret_cast<const char*>(data), size);
    const testing::TempFolder& folder = testing::fuzzFolderHolding(input);
    const std::string folderPath = folder.folderPath();

    testing::ScriptedDialogue dialogue({folder.path().string(), ""});
    bool completed = false;
    try {
        runSequence(dialogue, [] { return 0U; });
        completed = true;
    } catch (const RunError&) {
        // The program's own error; anything else escapes and is a finding.
    }

    testing::requireEvaluationFileUnchanged(folder, input);
    if (completed != (!dialogue.shown.empty() && dialogue.shown.back() == "notice: done")) {
        fuzzFail("\"done\" shown although the run failed, or missing after it completed");
    }
    if (completed) {
        checkCompletedRun(folderPath);
    }
    return 0;
}
