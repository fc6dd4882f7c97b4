// Leave requests and the pointer tests on real windows.
//
// Another test process may share the display and move the pointer too, so a
// check during which the pointer did not stay where it was put is repeated.
#include "character/hover_tracking_win32.h"

#include <gtest/gtest.h>

#include <optional>

#include "character/test_window_win32.h"
#include "character/window_messages.h"

namespace pell {
namespace {

using testing_win32::TestWindow;

constexpr int kAttempts = 5;

bool PointerIsAt(int x, int y) {
    POINT p{};
    return GetCursorPos(&p) && p.x == x && p.y == y;
}

// Moves the pointer and waits until the system reports it there.
bool MovePointer(int x, int y) {
    for (int i = 0; i < 50; ++i) {
        SetCursorPos(x, y);
        if (PointerIsAt(x, y))
            return true;
        Sleep(10);
    }
    return false;
}

// Waits for the window's leave notice; no value when the pointer was moved
// away from (x, y) by someone else meanwhile.
std::optional<bool> LeaveNoticeWithPointerAt(HWND window, int x, int y, DWORD limitMs) {
    const bool got = TestWindow::PumpUntil(
        [window](const MSG& m) { return m.hwnd == window && m.message == MSG_MOUSELEAVE; },
        limitMs);
    if (!PointerIsAt(x, y))
        return std::nullopt;
    return got;
}

std::optional<bool> OutsideWithPointerAt(HWND window, int x, int y) {
    if (!MovePointer(x, y))
        return std::nullopt;
    const bool outside = IsPointerOutside(window);
    if (!PointerIsAt(x, y))
        return std::nullopt;
    return outside;
}

TEST(TrackMouseLeaveWin32, RefusedRequestsReturnZeroAndStartNoTimer) {
    TestWindow window(760, 420, 32, 32, false);
    ASSERT_TRUE(window.get());
    HWND destroyed;
    {
        TestWindow gone(0, 0, 10, 10, false);
        destroyed = gone.get();
    }
    const LeaveRequest requests[] = {
        {12, 9, window.get(), 0},
        {sizeof(LeaveRequest), 9, destroyed, 0},
        {sizeof(LeaveRequest), 2, window.get(), 0},
        {sizeof(LeaveRequest), 0, window.get(), 0},
    };
    for (const LeaveRequest& request : requests) {
        EXPECT_EQ(TrackMouseLeave(&request), 0u) << request.size << " " << request.flags;
        EXPECT_EQ(TrackMouseLeaveCloseBox(&request), 0u) << request.size << " " << request.flags;
    }
    EXPECT_EQ(TrackMouseLeave(nullptr), 0u);
    EXPECT_EQ(TrackMouseLeaveCloseBox(nullptr), 0u);
    // No timer runs under the refused ids.
    EXPECT_FALSE(KillTimer(window.get(), 9));
    EXPECT_FALSE(KillTimer(window.get(), 2));
}

TEST(IsPointerOutsideWin32, ClientRectangleAndRegion) {
    TestWindow window(760, 420, 32, 32);
    ASSERT_TRUE(window.get());
    struct Case {
        int x, y;
        bool outside;
    };
    auto check = [&](const Case& c) {
        std::optional<bool> outside;
        for (int i = 0; i < kAttempts && !outside; ++i) {
            outside = OutsideWithPointerAt(window.get(), c.x, c.y);
        }
        ASSERT_TRUE(outside.has_value()) << "the pointer would not stay at " << c.x << "," << c.y;
        EXPECT_EQ(*outside, c.outside) << c.x << "," << c.y;
    };
    // Without a region: the client rectangle, right and bottom edges outside.
    for (const Case& c : {Case{760, 420, false}, Case{791, 451, false}, Case{792, 430, true},
                          Case{770, 452, true}, Case{759, 430, true}}) {
        check(c);
    }
    // With a region covering only the right half: the left half is outside
    // although it lies inside the window rectangle.
    SetWindowRgn(window.get(), CreateRectRgn(16, 0, 32, 32), TRUE);
    for (const Case& c : {Case{765, 430, true}, Case{775, 430, true}, Case{776, 430, false},
                          Case{791, 451, false}, Case{792, 430, true}}) {
        check(c);
    }
}

TEST(TrackMouseLeaveWin32, NoticeOnlyOnceThePointerIsOut) {
    TestWindow window(760, 420, 32, 32);
    ASSERT_TRUE(window.get());
    const HWND w = window.get();
    const LeaveRequest request{sizeof(LeaveRequest), 9, w, 0};
    std::optional<bool> whileInside;
    for (int i = 0; i < kAttempts && !whileInside; ++i) {
        ASSERT_TRUE(MovePointer(770, 430));
        ASSERT_NE(TrackMouseLeave(&request), 0u);
        whileInside = LeaveNoticeWithPointerAt(w, 770, 430, 350);
    }
    ASSERT_TRUE(whileInside.has_value());
    EXPECT_FALSE(*whileInside);
    ASSERT_TRUE(MovePointer(300, 300));
    EXPECT_TRUE(LeaveNoticeWithPointerAt(w, 300, 300, 5000).value_or(true));
    // The timer stopped itself.
    EXPECT_FALSE(KillTimer(w, 9));
}

TEST(TrackMouseLeaveCloseBoxWin32, BoxInTheTopRightCorner) {
    // Window rectangle left 700, top 500, right 900, bottom 600.
    TestWindow window(700, 500, 200, 100);
    ASSERT_TRUE(window.get());
    const HWND w = window.get();
    const LeaveRequest request{sizeof(LeaveRequest), 1, w, 0};
    // Both far corners of the box count as inside.
    for (const POINT inside : {POINT{896, 511}, POINT{890, 504}}) {
        std::optional<bool> notice;
        for (int i = 0; i < kAttempts && !notice; ++i) {
            ASSERT_TRUE(MovePointer(inside.x, inside.y));
            ASSERT_NE(TrackMouseLeaveCloseBox(&request), 0u);
            notice = LeaveNoticeWithPointerAt(w, inside.x, inside.y, 350);
        }
        ASSERT_TRUE(notice.has_value());
        EXPECT_FALSE(*notice) << inside.x << "," << inside.y;
    }
    // Still inside the window, but off the box.
    ASSERT_TRUE(MovePointer(889, 504));
    EXPECT_TRUE(LeaveNoticeWithPointerAt(w, 889, 504, 5000).value_or(true));
    EXPECT_FALSE(KillTimer(w, 1));
}

}  // namespace
}  // namespace pell
