#include "character/window_placement.h"

#include <algorithm>
#include <limits>

#include "settings/settings_store.h"
#include "settings/timer_periods.h"

namespace pell {

ScreenPoint CenteredTopLeft(const ScreenRect& desktop, int width, int height) {
    // 64-bit sums: a damaged rectangle must not overflow.
    const std::int64_t x =
        (static_cast<std::int64_t>(desktop.left) + desktop.right) / 2 - width / 2;
    const std::int64_t y =
        (static_cast<std::int64_t>(desktop.top) + desktop.bottom) / 2 - height / 2;
    return ScreenPoint{static_cast<int>(x), static_cast<int>(y)};
}

namespace {

// Rectangles in 64 bits: a hand-edited position near the int limits must not
// overflow when the frame's size is added.
struct WideRect {
    std::int64_t left, top, right, bottom;
};

std::int64_t Span(std::int64_t from, std::int64_t to) {
    return std::max<std::int64_t>(0, to - from);
}

std::int64_t OverlapArea(const WideRect& a, const ScreenRect& b) {
    return Span(std::max<std::int64_t>(a.left, b.left), std::min<std::int64_t>(a.right, b.right)) *
           Span(std::max<std::int64_t>(a.top, b.top), std::min<std::int64_t>(a.bottom, b.bottom));
}

// The nearest start of a span of `size` that lies inside [from, to).
int MoveInside(std::int64_t start, std::int64_t size, int from, int to) {
    const std::int64_t last = std::max<std::int64_t>(from, to - size);
    return static_cast<int>(std::clamp<std::int64_t>(start, from, last));
}

int ClampToInt(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

}  // namespace

ScreenRect FrameAt(ScreenPoint at, int width, int height) {
    return ScreenRect{at.x, at.y, ClampToInt(static_cast<std::int64_t>(at.x) + std::max(0, width)),
                      ClampToInt(static_cast<std::int64_t>(at.y) + std::max(0, height))};
}

ScreenPoint KeepOnScreen(ScreenPoint at, int width, int height,
                         const std::vector<ScreenRect>& workAreas, const ScreenRect& nearest) {
    // A frame not yet sized counts as its corner pixel.
    const std::int64_t w = std::max(1, width);
    const std::int64_t h = std::max(1, height);
    const WideRect frame{at.x, at.y, at.x + w, at.y + h};
    for (const ScreenRect& area : workAreas) {
        if (OverlapArea(frame, area) * 4 >= w * h)
            return at;
    }
    if (Span(nearest.left, nearest.right) == 0 || Span(nearest.top, nearest.bottom) == 0)
        return at;
    return ScreenPoint{MoveInside(at.x, w, nearest.left, nearest.right),
                       MoveInside(at.y, h, nearest.top, nearest.bottom)};
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
        out.raisePeriod = TimerPeriodMs(moreTopmostTimer);
    }
    return out;
}

}  // namespace pell
