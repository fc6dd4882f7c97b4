#include "character/window_placement.h"

#include "settings/settings_store.h"

namespace pell {

ScreenPoint CenteredTopLeft(const ScreenRect& desktop, int width, int height) {
    // 64-bit sums: a damaged rectangle must not overflow.
    const std::int64_t x =
        (static_cast<std::int64_t>(desktop.left) + desktop.right) / 2 - width / 2;
    const std::int64_t y =
        (static_cast<std::int64_t>(desktop.top) + desktop.bottom) / 2 - height / 2;
    return ScreenPoint{static_cast<int>(x), static_cast<int>(y)};
}

std::optional<ScreenPoint> SavedPosition(std::string_view posx, std::string_view posy) {
    if (posx.empty() && posy.empty())
        return std::nullopt;
    return ScreenPoint{ParseDecimal(posx), ParseDecimal(posy)};
}

Stacking DecideStacking(bool topmost, bool moreTopmost, int moreTopmostTimer) {
    Stacking out;
    out.topmost = topmost;
    if (topmost && moreTopmost) {
        out.raiseAgain = true;
        out.raisePeriod = moreTopmostTimer > 0 ? static_cast<std::uint32_t>(moreTopmostTimer) : 0;
    }
    return out;
}

}  // namespace pell
