#pragma once

#include <string>

namespace courseeval {

// The text of a count, line, row, column, group or slot number as it appears in every output file and
// log entry: one blank, then the decimal digits. 7 gives " 7".
std::string numberText(int value);

} // namespace courseeval
