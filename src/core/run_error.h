#pragma once

#include <stdexcept>

namespace courseeval {

// Every failure of a run is a RunError (or derived from it). Its message names what failed, the file
// and, where one applies, the row, column or index. The run catches it once, at the top.
class RunError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace courseeval
