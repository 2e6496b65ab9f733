#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace courseeval::testing {

// Checks on the bytes of output files. Each returns an empty text when the bytes pass, otherwise what is
// wrong with them.

// Every line ends in CR LF: the bytes are empty or end in CR LF, and every CR is followed by LF.
std::string checkCrLfLines(std::string_view bytes);
// Every line holds exactly `tabs` TABs.
std::string checkTabsPerLine(std::string_view bytes, std::size_t tabs);

// An evaluation file split the plain way, for comparing with what the reader stored: a line ends at CR
// or CR LF, each TAB ends a field, text after the last TAB of a line is dropped. The fields are views
// into `bytes`.
std::vector<std::vector<std::string_view>> splitEvaluationFile(std::string_view bytes);

} // namespace courseeval::testing
