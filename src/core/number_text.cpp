#include "core/number_text.h"

#include <cassert>
#include <charconv>

namespace courseeval {

std::string numberText(int value) {
    assert(value >= 0);
    // A blank and at most ten digits: short enough to be built in place, without a temporary text.
    char text[12] = {' '};
    const std::to_chars_result end = std::to_chars(text + 1, text + sizeof text, value);
    return {text, end.ptr};
}

} // namespace courseeval
