#pragma once

#include <array>
#include <cassert>
#include <charconv>
#include <string>
#include <string_view>

namespace courseeval {

// The text of a count, line, row, column, group or slot number as it appears in every output file and
// log entry: one blank, then the decimal digits. 7 gives " 7".
class NumberText {
public:
    explicit NumberText(int value) {
        assert(value >= 0);
        chars_[0] = ' ';
        length_ = static_cast<std::size_t>(
            std::to_chars(chars_.data() + 1, chars_.data() + chars_.size(), value).ptr - chars_.data());
    }
    std::string_view view() const { return {chars_.data(), length_}; }

private:
    // A blank and at most ten digits (an int is below 2^31).
    std::array<char, 11> chars_;
    std::size_t length_;
};

inline std::string numberText(int value) {
    return std::string(NumberText(value).view());
}

} // namespace courseeval
