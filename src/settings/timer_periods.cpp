#include "settings/timer_periods.h"

#include <algorithm>

namespace pell {

std::uint32_t TimerPeriodMs(std::int64_t count, std::int64_t unitMs) {
    // Both factors stay below 2^31, so the product fits.
    const std::int64_t limit = kMaxTimerPeriodMs;
    const std::int64_t product =
        std::clamp<std::int64_t>(count, 0, limit) * std::clamp<std::int64_t>(unitMs, 0, limit);
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(product, kMinTimerPeriodMs, limit));
}

}  // namespace pell
