// The pop-ups at 200 %: spacings, limits and close squares laid out for 96
// DPI double, so that the windows look and answer the pointer as at 100 %.
#include <gtest/gtest.h>

#include <string>

#include "notify/fake_measurer.h"
#include "notify/list_layout.h"
#include "notify/tooltip_layout.h"
#include "notify/viewer_layout.h"

namespace pell {
namespace {

using testing_notify::FakeMeasurer;

TEST(PopupDpi, CloseSquaresAndMarginsDouble) {
    // 96 DPI: 89..95 x 3..10 of a 100-wide window; doubled: 178..190 x 6..20.
    const struct {
        int x, y;
        bool inside;
    } points[] = {{178, 6, true}, {190, 20, true}, {177, 6, false}, {178, 21, false}};
    for (const auto& p : points) {
        EXPECT_EQ(InListCloseSquare(p.x, p.y, 200, 192), p.inside) << p.x << "," << p.y;
        EXPECT_EQ(InViewerCloseSquare(p.x, p.y, 200, 192), p.inside) << p.x << "," << p.y;
    }
    const TooltipRect corner = PlaceTooltip(2500, 1580, 200, 80, {0, 0, 2560, 1600}, 192);
    EXPECT_EQ(corner.width, 212);
    EXPECT_EQ(corner.x, 2560 - 212);
    EXPECT_EQ(corner.y, 1580 - 80 - 56);
}

TEST(PopupDpi, ViewerLinesBreakAndStopAtDoubledLimits) {
    std::string text = "Subject: s\r\nFrom: f\r\nDate: d\r\n\r\n";
    for (int i = 0; i < 100; ++i)
        text += "line\r\n";
    text += std::string(200, 'a');  // 1200 pixels of 6: wider than 1000
    FakeMeasurer measurer(26);
    const auto lines = BreakViewerText(text, measurer, ScaleForDpi(kViewerLineMaxWidth, 192));
    EXPECT_EQ(lines.back().shown, 200u - 166u) << "166 characters fill 996 of 1000 pixels";
    const ViewerPaint paint = PlanViewerPaint(text, lines, 0, true, measurer, 192);
    EXPECT_EQ(paint.drawn[1].y, 26 + 4);
    EXPECT_EQ(ViewerWindowSize(paint, 0, 192), (WindowSize{996 + 34, 26 * 30 + 10}));
}

}  // namespace
}  // namespace pell
