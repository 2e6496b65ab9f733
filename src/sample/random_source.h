#pragma once

#include <cstdint>
#include <random>

namespace courseeval {

// The run's uniform pseudo-random source. The program seeds it from the time of day; tests seed it with
// a fixed value so that what it generates can be checked.
class RandomSource {
public:
    explicit RandomSource(std::uint64_t seed) : engine_(seed) {}

    // The next value in [0, 1).
    double next() {
        // The top 53 bits of the draw, scaled exactly into [0, 1): never 1.
        return static_cast<double>(engine_() >> 11U) * 0x1.0p-53;
    }

    // int(next() * n): an integer from 0 to n - 1.
    int nextBelow(int n) {
        const int value = static_cast<int>(next() * n);
        return value < n ? value : n - 1;
    }

private:
    std::mt19937_64 engine_;
};

} // namespace courseeval
