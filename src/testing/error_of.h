#pragma once

#include "common/run_error.h"

#include <string>

namespace courseeval::testing {

// The message of the error that `action` ends with; empty text when it succeeds.
template <typename Action>
std::string errorOf(Action&& action) {
    try {
        action();
    } catch (const RunError& error) {
        return error.what();
    }
    return {};
}

} // namespace courseeval::testing
