#pragma once
// The character's own double-click rule: two left-button releases at most
// 900 ms apart, timed on the system clock's minute, second and millisecond.
#include <cstdint>

namespace pell {

struct ClockStamp {
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// minute x 60000 + second x 1000 + millisecond.
std::uint32_t ClickMilliseconds(const ClockStamp& stamp);

// The difference taken as an unsigned 16-bit number, so a wrap at the hour
// still measures correctly up to 65535 ms.
bool IsDoubleClick(const ClockStamp& now, const ClockStamp& last);

struct ClickActions {
    int launchAccount = -1;     // start this account's mail program
    bool recordAsLast = false;  // the release becomes the last click time
};

ClickActions DecideClick(const ClockStamp& now, const ClockStamp& last, int lastNewMailAccount);

}  // namespace pell
