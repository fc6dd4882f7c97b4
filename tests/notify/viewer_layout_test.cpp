// What the viewer shows and how large it is: header lines never scrolled,
// the 400-pixel cut at whole lines, the note's colour, the wheel.
#include "notify/viewer_layout.h"

#include <gtest/gtest.h>

#include <string>

#include "notify/char_width_cache.h"
#include "notify/fake_measurer.h"

namespace pell {
namespace {

using testing_notify::FakeMeasurer;

std::string Message(int bodyLines, bool note) {
    std::string text = "Subject: s\r\nFrom: f\r\nDate: d\r\n\r\n";
    for (int i = 1; i <= bodyLines; ++i)
        text += "line" + std::to_string(i) + (i < bodyLines ? "\r\n" : "");
    if (note)
        text += "\r\n(max 10 lines)...";
    return text;
}

std::vector<std::string> Shown(const ViewerPaint& paint) {
    std::vector<std::string> out;
    for (const ViewerDrawnLine& line : paint.drawn)
        out.emplace_back(line.text);
    return out;
}

TEST(ViewerLayout, ScrollingHidesBodyLinesButNeverTheHeader) {
    const std::string text = Message(5, false);
    FakeMeasurer measurer;
    const auto lines = BreakViewerText(text, measurer);
    const struct {
        int scroll;
        std::vector<std::string> shown;
    } cases[] = {
        {0, {"Subject: s", "From: f", "Date: d", " ", "line1", "line2", "line3", "line4", "line5"}},
        {3, {"Subject: s", "From: f", "Date: d", " ", "line1", "line2", "line3", "line4", "line5"}},
        {6, {"Subject: s", "From: f", "Date: d", "line3", "line4", "line5"}},
        {8, {"Subject: s", "From: f", "Date: d", "line5"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scroll);
        const ViewerPaint paint = PlanViewerPaint(text, lines, c.scroll, true, measurer);
        EXPECT_EQ(Shown(paint), c.shown);
        EXPECT_EQ(paint.lineCount, 9);
        EXPECT_EQ(paint.height, 12 * static_cast<long long>(c.shown.size()));
        EXPECT_EQ(paint.drawn.back().y, 12 * static_cast<int>(c.shown.size() - 1) + 2);
    }
}

TEST(ViewerLayout, InksAndTheNoteColour) {
    const std::string text = Message(1, true);
    FakeMeasurer measurer;
    const ViewerPaint paint =
        PlanViewerPaint(text, BreakViewerText(text, measurer), 0, true, measurer);
    ASSERT_EQ(paint.drawn.size(), 6u);
    const ViewerInk inks[] = {ViewerInk::kHeader, ViewerInk::kHeader, ViewerInk::kHeader,
                              ViewerInk::kBody,   ViewerInk::kBody,   ViewerInk::kNote};
    for (std::size_t i = 0; i < 6; ++i)
        EXPECT_EQ(paint.drawn[i].ink, inks[i]) << i;
}

TEST(ViewerLayout, LongBodyIsCutAtWholeLinesAndLaterPaintsStopEarly) {
    const std::string text = Message(100, false);
    FakeMeasurer measurer(13);
    const auto lines = BreakViewerText(text, measurer);
    const ViewerPaint first = PlanViewerPaint(text, lines, 0, true, measurer);
    EXPECT_EQ(first.lineCount, 104);
    EXPECT_EQ(first.drawn.size(), 31u);  // 31 * 13 = 403: the last one starts at 392
    const WindowSize size = ViewerWindowSize(first, 0);
    EXPECT_EQ(size.height, 13 * 30 + 5);
    EXPECT_EQ((size.height - 5) % 13, 0);
    const ViewerPaint later = PlanViewerPaint(text, lines, 0, false, measurer);
    EXPECT_EQ(later.lineCount, 31);
    EXPECT_EQ(ViewerWindowSize(later, 0), size);
    // Short texts: the lines plus 5; the width only grows.
    const ViewerPaint small =
        PlanViewerPaint("ab", BreakViewerText("ab", measurer), 0, true, measurer);
    EXPECT_EQ(ViewerWindowSize(small, 0), (WindowSize{12 + 17, 13 + 5}));
    EXPECT_EQ(ViewerWindowSize(small, 300).width, 300);
    // A line taller than the whole limit still shows once.
    FakeMeasurer huge(500);
    const ViewerPaint tall = PlanViewerPaint("ab", BreakViewerText("ab", huge), 0, true, huge);
    EXPECT_EQ(ViewerWindowSize(tall, 0).height, 505);
}

TEST(ViewerLayout, ShownLinesWiderThanTheirCharactersAreNotClipped) {
    // A font whose texts measure wider than the sum of their characters: the
    // breaks follow the cached sums, but the window is as wide as each shown
    // line measures.
    class Tracking : public FakeMeasurer {
      public:
        TextSize Measure(std::string_view text) override {
            TextSize size = FakeMeasurer::Measure(text);
            size.cx += 2 * static_cast<int>(text.size());
            return size;
        }
    };
    std::string text = "Subject: s\r\nFrom: f\r\nDate: d\r\n\r\n";
    for (int i = 0; i < 5; ++i)
        text += std::string(80, 'a') + "漢字";
    Tracking platform;
    CharWidthCache cache;
    CachedWidthMeasurer cached(cache, platform);
    const auto lines = BreakViewerText(text, cached);
    for (const bool first : {true, false}) {
        const ViewerPaint paint = PlanViewerPaint(text, lines, 0, first, cached);
        ASSERT_GT(paint.drawn.size(), 5u);
        for (const ViewerDrawnLine& line : paint.drawn)
            EXPECT_GE(paint.widest, platform.Measure(line.text).cx) << line.text;
    }
}

TEST(ViewerLayout, WheelScrollArithmetic) {
    EXPECT_EQ(WheelDelta(0xFF880000u, false), -120);  // high word
    EXPECT_EQ(WheelDelta(0x00780000u, false), 120);
    EXPECT_EQ(WheelDelta(0xFF88u, true), -120);  // the registered message's wParam
    EXPECT_EQ(WheelDelta(0xFFFFFF88u, true), -120);
    EXPECT_EQ(WheelDelta(0x80000000u, false), 0x8000);
    const int count = 20;
    int scroll = 0;
    scroll = ScrollAfterWheel(scroll, -120, count);
    EXPECT_EQ(scroll, 3);
    scroll = ScrollAfterWheel(scroll, -120, count);
    EXPECT_EQ(scroll, 6);
    EXPECT_EQ(ScrollAfterWheel(scroll, 360, count), 3) << "back past the top";
    EXPECT_EQ(ScrollAfterWheel(scroll, -240, count), 12);
    EXPECT_EQ(ScrollAfterWheel(scroll, -1200, count), count - 1) << "past the end";
    EXPECT_EQ(ScrollAfterWheel(scroll, -119, count), 6) << "less than a notch";
    EXPECT_EQ(ScrollAfterWheel(0, -0x7FFF, 0x7FFFFFFF), 819);
}

TEST(ViewerLayout, CloseSquares) {
    const struct {
        int x, y;
        bool close, hot;
    } cases[] = {{89, 3, true, true},   {95, 10, true, true},  {88, 5, false, true},
                 {87, 5, false, false}, {96, 5, false, false}, {90, 2, false, false},
                 {90, 11, false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
        EXPECT_EQ(InViewerCloseSquare(c.x, c.y, 100), c.close);
        EXPECT_EQ(InViewerHotSquare(c.x, c.y, 100), c.hot);
    }
}

}  // namespace
}  // namespace pell
