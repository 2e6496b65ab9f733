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
// into the bytes, all lines' fields in one list; line n holds fields[lineStarts[n]] up to
// fields[lineStarts[n + 1]] (or the end).
struct SplitEvaluationFile {
    std::vector<std::string_view> fields;
    std::vector<std::size_t> lineStarts;

    std::size_t lines() const { return lineStarts.size(); }
    std::size_t fieldsOf(std::size_t line) const {
        return (line + 1 < lineStarts.size() ? lineStarts[line + 1] : fields.size()) - lineStarts[line];
    }
    std::string_view field(std::size_t line, std::size_t index) const {
        return fields[lineStarts[line] + index];
    }
};
SplitEvaluationFile splitEvaluationFile(std::string_view bytes);

} // namespace courseeval::testing
