#pragma once

#include "common/file_names.h"
#include "files/host.h"
#include "testing/file_bytes.h"
#include "testing/temp_folder.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace courseeval::testing {

// Ends the process with a message when a fuzz target's check fails, so that libFuzzer keeps the input as
// a finding and a replay run fails.
[[noreturn]] inline void fuzzFail(const std::string& what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
    std::abort();
}

// The data folder a fuzz target works in (one per process), holding `input` as its evaluation file.
inline const TempFolder& fuzzFolderHolding(const std::string& input) {
    static const TempFolder folder;
    writeBytes(host::folderName(folder.folderPath()).append(evaluationFileName), input);
    return folder;
}

// Fails unless the evaluation file of `folder` still holds exactly `input`.
inline void requireEvaluationFileUnchanged(const TempFolder& folder, const std::string& input) {
    if (readBytes(host::folderName(folder.folderPath()).append(evaluationFileName)) != input) {
        fuzzFail("the evaluation file changed");
    }
}

} // namespace courseeval::testing
