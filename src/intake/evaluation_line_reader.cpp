#include "intake/evaluation_line_reader.h"

#include <cstring>

namespace courseeval {

bool EvaluationLineReader::readLine(std::string_view& line) {
    if (rest_.empty()) {
        return false;
    }
    const void* const cr = std::memchr(rest_.data(), '\r', rest_.size());
    if (cr == nullptr) {
        line = rest_;
        rest_ = {};
        return true;
    }
    const auto length = static_cast<std::size_t>(static_cast<const char*>(cr) - rest_.data());
    line = rest_.substr(0, length);
    // An LF right after the CR belongs to the line end.
    const std::size_t lineEnd = length + 1 < rest_.size() && rest_[length + 1] == '\n' ? 2 : 1;
    rest_.remove_prefix(length + lineEnd);
    return true;
}

} // namespace courseeval
