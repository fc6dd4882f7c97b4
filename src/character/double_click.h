#pragma once
// The character's own double-click rule: two left-button releases at most
// 900 ms apart, timed on the system clock. The time is measured within the
// day, so releases across a full hour are measured correctly and releases a
// minute apart never count; the first release after start never does either.
#include <cstdint>
#include <optional>

namespace pell {

struct ClockStamp {
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// Milliseconds since midnight.
std::uint32_t ClickMilliseconds(const ClockStamp& stamp);

// True when `now` lies at most 900 ms after `last` (across midnight too).
bool IsDoubleClick(const ClockStamp& now, const ClockStamp& last);

struct ClickActions {
    int launchAccount = -1;     // start this account's mail program
    bool recordAsLast = false;  // the release becomes the last click time
};

ClickActions DecideClick(const ClockStamp& now, const std::optional<ClockStamp>& last,
                         int lastNewMailAccount);

}  // namespace pell
