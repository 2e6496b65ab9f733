#pragma once

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

} // namespace courseeval::testing
