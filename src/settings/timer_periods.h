#pragma once
// Periods from the settings file as timer periods. A hand-edited value of a
// few milliseconds would wake the program all the time, and a huge one would
// overflow the platform's period.
#include <cstdint>

namespace pell {

inline constexpr std::uint32_t kMinTimerPeriodMs = 50;
inline constexpr std::uint32_t kMaxTimerPeriodMs = 0x7FFFFFFF;  // USER_TIMER_MAXIMUM

// count x unitMs milliseconds, at least 50 ms and at most the platform's
// largest period. Callers decide beforehand what 0 means for their key.
std::uint32_t TimerPeriodMs(std::int64_t count, std::int64_t unitMs = 1);

}  // namespace pell
