// The pop-ups at 200 %: every spacing, limit and close square laid out for
// 96 DPI doubles, so that the windows look as they do at 100 %.
#include <gtest/gtest.h>

#include <string>

#include "notify/fake_measurer.h"
#include "notify/list_layout.h"
#include "notify/tooltip_layout.h"
#include "notify/viewer_layout.h"

namespace pell {
namespace {

using testing_notify::FakeMeasurer;

constexpr int kDouble = 192;

TEST(PopupDpi, ListSpacingsAndCloseSquare) {
    NewMailNotice notice;
    notice.text = "title";
    notice.body = true;
    notice.summaries = std::make_unique<MailSummaryList>();
    notice.summaries->push_back({"d", "s", "subject", "u", "v"});
    FakeMeasurer measurer(24);  // the font doubled too
    ListPaintInput input;
    input.windowWidth = 400;
    input.dpi = kDouble;
    input.pointerX = 7;  // past the doubled left margin (6), inside line 1: 28 < y < 52
    input.pointerY = 30;
    const ListPaint plan = PlanListPaint(notice, measurer, input);
    EXPECT_EQ(plan.lines[1].y, 24 + 4);
    EXPECT_TRUE(plan.highlightShown);
    input.pointerX = 6;
    EXPECT_FALSE(PlanListPaint(notice, measurer, input).highlightShown) << "inside the margin";
    const int widest = measurer.Measure(ListLineText(notice, 1)).cx;
    EXPECT_EQ(plan.width, widest + 10);
    EXPECT_EQ(plan.windowWidth(), widest + 10 + 24);
    EXPECT_EQ(plan.windowHeight(), 48 + 10);
    EXPECT_EQ(plan.closeGlyphX(), widest + 10 - 4);
    // 96 DPI: 89..95 x 3..10 of a 100-wide window; doubled: 178..190 x 6..20.
    EXPECT_TRUE(InListCloseSquare(178, 6, 200, kDouble));
    EXPECT_TRUE(InListCloseSquare(190, 20, 200, kDouble));
    EXPECT_FALSE(InListCloseSquare(177, 6, 200, kDouble));
    EXPECT_FALSE(InListCloseSquare(178, 21, 200, kDouble));
}

TEST(PopupDpi, ViewerLimitsMarginsAndCloseSquares) {
    std::string text = "Subject: s\r\nFrom: f\r\nDate: d\r\n\r\n";
    for (int i = 0; i < 100; ++i)
        text += "line\r\n";
    text += std::string(200, 'a');  // 1200 pixels of 6: wider than 1000
    FakeMeasurer measurer(26);
    const auto lines = BreakViewerText(text, measurer, ScaleForDpi(kViewerLineMaxWidth, kDouble));
    EXPECT_EQ(lines.back().shown, 200u - 166u) << "166 characters fill 996 of 1000 pixels";
    const ViewerPaint paint = PlanViewerPaint(text, lines, 0, true, measurer, kDouble);
    EXPECT_EQ(paint.drawn[1].y, 26 + 4);
    EXPECT_EQ(paint.drawn.size(), 31u) << "30 lines fill 780 of 800 pixels, the 31st starts";
    const WindowSize size = ViewerWindowSize(paint, 0, kDouble);
    EXPECT_EQ(size.height, 26 * 30 + 10);
    EXPECT_EQ(size.width, 996 + 34);
    EXPECT_TRUE(InViewerCloseSquare(178, 6, 200, kDouble));
    EXPECT_FALSE(InViewerCloseSquare(177, 6, 200, kDouble));
    EXPECT_TRUE(InViewerHotSquare(176, 6, 200, kDouble));
    EXPECT_FALSE(InViewerHotSquare(175, 6, 200, kDouble));
}

TEST(PopupDpi, TooltipMargins) {
    const DesktopRect desktop{0, 0, 2560, 1600};
    const TooltipRect inside = PlaceTooltip(100, 100, 200, 80, desktop, kDouble);
    EXPECT_EQ(inside.width, 212);
    EXPECT_EQ(inside.height, 90);
    const TooltipRect corner = PlaceTooltip(2500, 1580, 200, 80, desktop, kDouble);
    EXPECT_EQ(corner.x, 2560 - 212);
    EXPECT_EQ(corner.y, 1580 - 80 - 56);
}

}  // namespace
}  // namespace pell
