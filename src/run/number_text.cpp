#include "run/number_text.h"

#include <cassert>

namespace courseeval {

std::string numberText(int value) {
    assert(value >= 0);
    return " " + std::to_string(value);
}

} // namespace courseeval
