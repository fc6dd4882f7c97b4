// Where the character stands and how it is stacked.
#include "character/window_placement.h"

#include <gtest/gtest.h>

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
}

}  // namespace
}  // namespace pell
