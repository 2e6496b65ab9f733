#pragma once

#include <cstdint>

namespace courseeval {

// The local time of day in whole seconds since midnight, from 0 to 86399 (86400 in a leap second).
std::uint32_t secondsSinceMidnight();

} // namespace courseeval
