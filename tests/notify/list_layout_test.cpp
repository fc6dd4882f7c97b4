// The new-mail list's layout: which line is highlighted, its size and place,
// and how long it stays open.
#include "notify/list_layout.h"

#include <gtest/gtest.h>

#include "character/temp_settings.h"
#include "notify/fake_measurer.h"

namespace pell {
namespace {

using testing_notify::FakeMeasurer;

NewMailNotice ThreeMails(bool body) {
    NewMailNotice notice;
    notice.text = "Home にメールが3通届いています。";
    notice.body = body;
    notice.summaries = std::make_unique<MailSummaryList>();
    for (const char* subject : {"一", "二", "三"})
        notice.summaries->push_back({"2026/12/07 05:00:00", "Bob", subject, "u", "v"});
    return notice;
}

// The highlighted line numbers of one paint.
std::vector<int> Highlighted(const ListPaint& paint, const NewMailNotice& notice) {
    std::vector<int> out;
    for (std::size_t i = 0; i < paint.lines.size(); ++i) {
        if (paint.lines[i].paper == notice.selectBackGroundColor)
            out.push_back(static_cast<int>(i));
    }
    return out;
}

TEST(ListLayout, LinesAndSize) {
    NewMailNotice notice = ThreeMails(true);
    EXPECT_EQ(ListLineText(notice, 0), notice.text);
    EXPECT_EQ(ListLineText(notice, 2), "  2026/12/07 05:00:00  Bob  二");
    FakeMeasurer measurer;
    const ListPaint paint = PlanListPaint(notice, measurer, {});
    ASSERT_EQ(paint.lines.size(), 4u);
    EXPECT_EQ(paint.lines[3].y, 3 * 12 + 2);
    EXPECT_EQ(paint.height, 48);
    EXPECT_EQ(paint.windowHeight(), 53);
    EXPECT_EQ(paint.width, measurer.Measure(notice.text).cx + 5);
    EXPECT_EQ(paint.windowWidth(), paint.width + 12);
    // A window measures its lines once; later paints plan from them alone.
    const std::vector<ListLine> kept = MeasureListLines(notice, measurer);
    const std::size_t calls = measurer.calls;
    const ListPaint later = PlanListPaint(notice, kept, {50, 2 * 12 + 8, 100, false, 0});
    EXPECT_EQ(measurer.calls, calls);
    EXPECT_EQ(later.height, paint.height);
    EXPECT_EQ(later.width, paint.width);
    EXPECT_EQ(later.lines[2].paper, notice.selectBackGroundColor);
    // Without summaries (PopupSubj off) only the title line.
    notice.summaries.reset();
    EXPECT_EQ(PlanListPaint(notice, measurer, {}).lines.size(), 1u);
    // A header megabytes long is cut, visibly.
    notice.text = std::string(5000, 'x');
    const std::string cut = ListLineText(notice, 0);
    EXPECT_EQ(cut, std::string(kListLineMaxBytes, 'x') + "...");
}

TEST(ListLayout, HighlightRules) {
    const struct {
        const char* name;
        bool body;
        int x, y;
        bool keyboard;
        bool onViewer;
        int selected;
        std::vector<int> highlighted;
        int selectedAfter;
    } cases[] = {
        {"pointer on line 2", true, 50, 2 * 12 + 8, false, false, 0, {2}, 2},
        {"title line never", true, 50, 8, false, false, 0, {}, 0},
        {"band edge is outside", true, 50, 2 * 12 + 2, false, false, 1, {}, 1},
        {"left margin is outside", true, 3, 2 * 12 + 8, false, false, 0, {}, 0},
        {"right margin is outside", true, 97, 2 * 12 + 8, false, false, 0, {}, 0},
        {"PopupBody off never highlights", false, 50, 2 * 12 + 8, false, false, 0, {}, 0},
        {"Shift keeps the selected line", true, 500, 500, true, false, 3, {3}, 3},
        {"Shift without a selection", true, 50, 2 * 12 + 8, true, false, 0, {}, 0},
        // The viewer lies over line 3: reaching it keeps line 2 and its viewer.
        {"pointer on the viewer over another line", true, 50, 3 * 12 + 8, false, true, 2, {2}, 2},
        {"pointer on the viewer off the lines", true, 500, 500, false, true, 1, {1}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const NewMailNotice notice = ThreeMails(c.body);
        FakeMeasurer measurer;
        const ListPaint paint =
            PlanListPaint(notice, measurer, {c.x, c.y, 100, c.keyboard, c.selected, c.onViewer});
        EXPECT_EQ(Highlighted(paint, notice), c.highlighted);
        EXPECT_EQ(paint.highlightShown, !c.highlighted.empty());
        EXPECT_EQ(paint.selected, c.selectedAfter);
        EXPECT_EQ(paint.selectionChanged, c.selectedAfter != c.selected);
        EXPECT_EQ(paint.lines[0].ink, notice.titleTextColor);
        for (int line : c.highlighted)
            EXPECT_EQ(paint.lines[static_cast<std::size_t>(line)].ink, notice.selectTextColor);
    }
}

TEST(ListLayout, PlacesAndCloseSquare) {
    const DesktopRect desktop{0, 0, 1280, 800};
    const struct {
        int px, py;
        ListPosition at;
    } follow[] = {
        {100, 100, {99, 118}},
        {1250, 100, {1080, 118}},  // kept inside the right edge
        {100, 750, {99, 695}},     // above the pointer at the bottom
        {1279, 799, {1080, 744}},
    };
    for (const auto& f : follow)
        EXPECT_EQ(FollowPointer(f.px, f.py, 200, 50, desktop), f.at) << f.px << "," << f.py;
    EXPECT_EQ(CentredOnDesktop(desktop, 201, 51), (ListPosition{539, 374}));
    EXPECT_EQ(CentredOnDesktop({-100, 0, 100, 10}, 3, 30), (ListPosition{-2, -10}));
    EXPECT_TRUE(InListCloseSquare(89, 3, 100));
    EXPECT_TRUE(InListCloseSquare(95, 10, 100));
    EXPECT_FALSE(InListCloseSquare(88, 5, 100));
    EXPECT_FALSE(InListCloseSquare(96, 5, 100));
    EXPECT_FALSE(InListCloseSquare(90, 11, 100));
}

TEST(ListLayout, CloseDelayRepairsMessageKillTimer) {
    const struct {
        const char* stored;  // null: missing
        std::uint32_t ms;
        const char* after;
    } cases[] = {{nullptr, 5000, "5"},
                 {"-3", 5000, "5"},
                 {"0", 5000, "0"},
                 {"12", 12000, "12"},
                 {"99999999", 0x7FFFFFFF, "99999999"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored ? c.stored : "missing");
        testing_support::TempSettings temp;
        if (c.stored)
            temp.store.Write("Control", "MessageKillTimer", c.stored);
        EXPECT_EQ(ListCloseDelayMs(temp.store), c.ms);
        EXPECT_EQ(temp.store.ReadText("Control", "MessageKillTimer", "", 32), c.after);
    }
}

}  // namespace
}  // namespace pell
