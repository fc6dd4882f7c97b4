#pragma once
// Where the character stands and how it is stacked among other windows.
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace pell {

struct ScreenPoint {
    int x = 0;
    int y = 0;
    bool operator==(const ScreenPoint& other) const { return x == other.x && y == other.y; }
};

struct ScreenRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// The top-left corner that centres a width x height window on the desktop.
ScreenPoint CenteredTopLeft(const ScreenRect& desktop, int width, int height);

// Where a width x height frame whose top-left corner is saved at `at` is
// shown. It stays exactly there while at least a quarter of it lies inside
// the work area of one monitor (a user may park it half off an edge);
// otherwise (a monitor unplugged, a smaller resolution) it moves by the least
// distance that puts it wholly inside `nearest`, the work area of the monitor
// nearest to it. A frame larger than that area keeps its top-left corner in it.
ScreenPoint KeepOnScreen(ScreenPoint at, int width, int height,
                         const std::vector<ScreenRect>& workAreas, const ScreenRect& nearest);

// The frame's rectangle at `at`, its far edges held within the int range.
ScreenRect FrameAt(ScreenPoint at, int width, int height);

// The saved position from posx/posy: none when both are empty (the window is
// then centred); a missing one of the two counts as 0.
std::optional<ScreenPoint> SavedPosition(std::string_view posx, std::string_view posy);

struct Stacking {
    bool topmost = false;           // else at the bottom of the window stack
    bool raiseAgain = false;        // run timer 7
    std::uint32_t raisePeriod = 0;  // its period in ms
};

// Topmost, MoreTopmost and MoreTopmostTimer as read from the settings; the
// raise period is at least 50 ms.
Stacking DecideStacking(bool topmost, bool moreTopmost, int moreTopmostTimer);

}  // namespace pell
