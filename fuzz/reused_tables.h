#pragma once

#include "intake/evaluation_tables.h"

#include <memory>

namespace courseeval::testing {

// One set of tables for every input of a fuzz target, reset by the target after each input: new full-size
// tables, allocated and cleared under AddressSanitizer, would make each input several times slower.
inline EvaluationTables& reusedTables() {
    static const auto tables = std::make_unique<EvaluationTables>();
    return *tables;
}

} // namespace courseeval::testing
