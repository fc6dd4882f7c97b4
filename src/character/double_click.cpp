#include "character/double_click.h"

namespace pell {
namespace {

constexpr std::uint32_t kDayMilliseconds = 24u * 60u * 60u * 1000u;

}  // namespace

std::uint32_t ClickMilliseconds(const ClockStamp& stamp) {
    return static_cast<std::uint32_t>(stamp.hour) * 3600000u +
           static_cast<std::uint32_t>(stamp.minute) * 60000u +
           static_cast<std::uint32_t>(stamp.second) * 1000u +
           static_cast<std::uint32_t>(stamp.millisecond);
}

bool IsDoubleClick(const ClockStamp& now, const ClockStamp& last) {
    const std::uint32_t a = ClickMilliseconds(now) % kDayMilliseconds;
    const std::uint32_t b = ClickMilliseconds(last) % kDayMilliseconds;
    const std::uint32_t difference = (a + kDayMilliseconds - b) % kDayMilliseconds;
    return difference <= 900;
}

ClickActions DecideClick(const ClockStamp& now, const std::optional<ClockStamp>& last,
                         int lastNewMailAccount) {
    ClickActions out;
    if (!last || !IsDoubleClick(now, *last)) {
        out.recordAsLast = true;
    } else if (lastNewMailAccount >= 0) {
        out.launchAccount = lastNewMailAccount;
    }
    return out;
}

}  // namespace pell
