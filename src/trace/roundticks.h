#pragma once

#include <vector>

namespace dravix {

// Axis ticks at 1, 2 or 5 times a power of ten, with the decimals that step needs.
struct RoundTicks
{
    std::vector<double> values;
    double step = 1;
    int decimals = 0;
};

// At most `maxCount` ticks (at least one step) within [low, high].
[[nodiscard]] RoundTicks roundTicks(double low, double high, int maxCount);

} // namespace dravix
