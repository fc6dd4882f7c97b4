#include "character/double_click.h"

namespace pell {

std::uint32_t ClickMilliseconds(const ClockStamp& stamp) {
    return static_cast<std::uint32_t>(stamp.minute) * 60000u +
           static_cast<std::uint32_t>(stamp.second) * 1000u +
           static_cast<std::uint32_t>(stamp.millisecond);
}

bool IsDoubleClick(const ClockStamp& now, const ClockStamp& last) {
    const auto difference =
        static_cast<std::uint16_t>(ClickMilliseconds(now) - ClickMilliseconds(last));
    return difference <= 900;
}

ClickActions DecideClick(const ClockStamp& now, const ClockStamp& last, int lastNewMailAccount) {
    ClickActions out;
    if (!IsDoubleClick(now, last)) {
        out.recordAsLast = true;
    } else if (lastNewMailAccount >= 0) {
        out.launchAccount = lastNewMailAccount;
    }
    return out;
}

}  // namespace pell
