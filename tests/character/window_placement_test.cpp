// Where the character stands and how it is stacked.
#include "character/window_placement.h"

#include <gtest/gtest.h>

#include <climits>

namespace pell {
namespace {

TEST(WindowPlacement, SavedPositionAndCentring) {
    EXPECT_FALSE(SavedPosition("", "").has_value());
    EXPECT_EQ(SavedPosition("0", "0"), (ScreenPoint{0, 0}));
    EXPECT_EQ(SavedPosition("120", ""), (ScreenPoint{120, 0}));
    EXPECT_EQ(SavedPosition("-40", "junk"), (ScreenPoint{-40, 0}));
    EXPECT_EQ(CenteredTopLeft({0, 0, 1280, 800}, 32, 31), (ScreenPoint{624, 385}));
    EXPECT_EQ(CenteredTopLeft({-1280, 0, 1280, 1024}, 33, 32), (ScreenPoint{-16, 496}));
}

TEST(WindowPlacement, Stacking) {
    const Stacking bottom = DecideStacking(false, true, 100);
    EXPECT_FALSE(bottom.topmost);
    EXPECT_FALSE(bottom.raiseAgain);
    const Stacking top = DecideStacking(true, false, 100);
    EXPECT_TRUE(top.topmost);
    EXPECT_FALSE(top.raiseAgain);
    const Stacking raise = DecideStacking(true, true, 250);
    EXPECT_TRUE(raise.raiseAgain);
    EXPECT_EQ(raise.raisePeriod, 250u);
    // A hand-edited period of a few milliseconds, or 0, raises every 50 ms.
    for (int period : {0, 1, 10, 49})
        EXPECT_EQ(DecideStacking(true, true, period).raisePeriod, 50u) << period;
}

TEST(WindowPlacement, KeepOnScreenMovesOnlyAFrameThatIsLost) {
    const ScreenRect primary{0, 0, 1280, 770};  // a task bar below
    const ScreenRect second{1280, 0, 2560, 1024};
    const ScreenRect small{0, 0, 1024, 738};
    struct Case {
        const char* name;
        ScreenPoint at;
        int size;
        std::vector<ScreenRect> areas;
        ScreenRect nearest;
        ScreenPoint expected;
    };
    const Case cases[] = {
        {"visible", {100, 120}, 32, {primary, second}, primary, {100, 120}},
        {"second monitor unplugged", {2000, 500}, 32, {primary}, primary, {1248, 500}},
        {"resolution shrank", {1500, 900}, 32, {small}, small, {992, 706}},
        {"half off the left edge", {-16, 100}, 32, {primary}, primary, {-16, 100}},
        {"exactly a quarter inside", {-24, 100}, 32, {primary}, primary, {-24, 100}},
        {"less than a quarter", {-25, 100}, 32, {primary}, primary, {0, 100}},
        {"under the task bar", {100, 765}, 32, {primary}, primary, {100, 738}},
        {"on the seam of two monitors", {1270, 100}, 32, {primary, second}, second, {1270, 100}},
        {"larger than the work area", {100, 100}, 64, {{0, 0, 40, 40}}, {0, 0, 40, 40}, {0, 0}},
        {"at the int limits", {INT_MAX, INT_MIN}, 32, {primary}, primary, {1248, 0}},
        {"not sized yet", {10, 10}, 0, {primary}, primary, {10, 10}},
        {"no monitor known", {5000, 5000}, 32, {}, {}, {5000, 5000}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(KeepOnScreen(c.at, c.size, c.size, c.areas, c.nearest), c.expected) << c.name;
    const ScreenRect edge = FrameAt({INT_MAX - 5, 3}, 32, 32);
    EXPECT_EQ(edge.right, INT_MAX);
    EXPECT_EQ(edge.bottom, 35);
}

}  // namespace
}  // namespace pell
