#include "roundticks.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace dravix {

RoundTicks roundTicks(double low, double high, int maxCount)
{
    RoundTicks ticks;
    if (!(high > low) || maxCount < 1)
        return ticks;
    const double raw = (high - low) / maxCount;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    ticks.step = 10 * power;
    for (const double m : std::array{1.0, 2.0, 5.0}) {
        if (m * power >= raw * (1 - 1e-9)) {
            ticks.step = m * power;
            break;
        }
    }
    ticks.decimals = std::max(0, static_cast<int>(-std::floor(std::log10(ticks.step) + 1e-9)));
    // Counted in steps, not summed, so no rounding error creeps along the axis.
    const auto first = static_cast<long long>(std::ceil(low / ticks.step - 1e-9));
    const auto last = static_cast<long long>(std::floor(high / ticks.step + 1e-9));
    for (long long k = first; k <= last; ++k) {
        const double value = static_cast<double>(k) * ticks.step;
        ticks.values.push_back(value == 0 ? 0.0 : value); // never "-0"
    }
    return ticks;
}

} // namespace dravix
