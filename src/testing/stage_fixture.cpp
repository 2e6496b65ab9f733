#include "testing/stage_fixture.h"

namespace courseeval::testing {

std::vector<std::string> sampleRecord(int row, const std::string& description) {
    std::vector<std::string> fields;
    for (int column = 1; column <= EvaluationTables::recordColumns; ++column) {
        fields.push_back(column == 2 ? description
                                     : "r" + std::to_string(row) + "c" + std::to_string(column));
    }
    return fields;
}

} // namespace courseeval::testing
