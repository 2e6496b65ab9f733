#include "testing/output_checks.h"

#include "testing/file_bytes.h"

#include <algorithm>

namespace courseeval::testing {

std::string checkCrLfLines(std::string_view bytes) {
    if (!bytes.empty() && !bytes.ends_with("\r\n")) {
        return "the last line does not end in CR LF";
    }
    for (std::size_t cr = bytes.find('\r'); cr != std::string_view::npos; cr = bytes.find('\r', cr + 1)) {
        if (cr + 1 == bytes.size() || bytes[cr + 1] != '\n') {
            return "a CR at byte " + std::to_string(cr) + " is not followed by LF";
        }
    }
    return {};
}

std::string checkTabsPerLine(std::string_view bytes, std::size_t tabs) {
    std::size_t number = 0;
    for (std::size_t start = 0; start < bytes.size();) {
        const std::size_t end = std::min(bytes.find("\r\n", start), bytes.size());
        ++number;
        const std::string_view line = bytes.substr(start, end - start);
        const auto found = static_cast<std::size_t>(std::count(line.begin(), line.end(), '\t'));
        if (found != tabs) {
            return "line " + std::to_string(number) + " holds " + std::to_string(found) + " TABs, not " +
                   std::to_string(tabs);
        }
        start = end + 2;
    }
    return {};
}

SplitEvaluationFile splitEvaluationFile(std::string_view bytes) {
    SplitEvaluationFile split;
    std::size_t fieldStart = 0;
    bool lineOpen = false;
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        if (!lineOpen) {
            split.lineStarts.push_back(split.fields.size());
            lineOpen = true;
        }
        const char c = bytes[at];
        if (c == '\r') {
            lineOpen = false;
            if (at + 1 < bytes.size() && bytes[at + 1] == '\n') {
                ++at;
            }
            fieldStart = at + 1;
        } else if (c == '\t') {
            split.fields.push_back(bytes.substr(fieldStart, at - fieldStart));
            fieldStart = at + 1;
        }
    }
    return split;
}

} // namespace courseeval::testing
