// Leave requests and the pointer tests on real windows.
#include "character/hover_tracking_win32.h"

#include <gtest/gtest.h>

#include "character/test_window_win32.h"
#include "character/window_messages.h"

namespace pell {
namespace {

using testing_win32::TestWindow;

bool IsLeaveFor(HWND window, const MSG& msg) {
    return msg.hwnd == window && msg.message == MSG_MOUSELEAVE;
}

// Moves the pointer and waits until the system reports it there.
bool MovePointer(int x, int y) {
    SetCursorPos(x, y);
    POINT p{};
    for (int i = 0; i < 50; ++i) {
        if (GetCursorPos(&p) && p.x == x && p.y == y)
            return true;
        Sleep(10);
    }
    return false;
}

TEST(TrackMouseLeaveWin32, RefusedRequestsReturnZeroAndPostNothing) {
    TestWindow window(100, 100, 32, 32);
    ASSERT_TRUE(window.get());
    HWND destroyed;
    {
        TestWindow gone(0, 0, 10, 10);
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
    // No timer was started, so no notice comes even with the pointer away.
    MovePointer(400, 400);
    const HWND w = window.get();
    EXPECT_FALSE(TestWindow::PumpUntil([w](const MSG& m) { return IsLeaveFor(w, m); }, 300));
}

TEST(IsPointerOutsideWin32, ClientRectangleAndRegion) {
    TestWindow window(100, 100, 32, 32);
    ASSERT_TRUE(window.get());
    TestWindow::PumpUntil([](const MSG&) { return false; }, 50);
    struct Case {
        int x, y;
        bool outside;
    };
    // Without a region: the client rectangle, right and bottom edges outside.
    const Case plain[] = {
        {100, 100, false}, {131, 131, false}, {132, 110, true}, {110, 132, true}, {99, 110, true}};
    for (const Case& c : plain) {
        ASSERT_TRUE(MovePointer(c.x, c.y));
        EXPECT_EQ(IsPointerOutside(window.get()), c.outside) << c.x << "," << c.y;
    }
    // With a region covering only the right half: the left half is outside
    // although it lies inside the window rectangle.
    SetWindowRgn(window.get(), CreateRectRgn(16, 0, 32, 32), TRUE);
    const Case shaped[] = {
        {105, 110, true}, {115, 110, true}, {116, 110, false}, {131, 131, false}, {132, 110, true}};
    for (const Case& c : shaped) {
        ASSERT_TRUE(MovePointer(c.x, c.y));
        EXPECT_EQ(IsPointerOutside(window.get()), c.outside) << c.x << "," << c.y;
    }
}

TEST(TrackMouseLeaveWin32, NoticeOnlyOnceThePointerIsOut) {
    TestWindow window(100, 100, 32, 32);
    ASSERT_TRUE(window.get());
    const HWND w = window.get();
    auto leave = [w](const MSG& m) { return IsLeaveFor(w, m); };
    ASSERT_TRUE(MovePointer(110, 110));
    const LeaveRequest request{sizeof(LeaveRequest), 9, w, 0};
    EXPECT_NE(TrackMouseLeave(&request), 0u);
    EXPECT_FALSE(TestWindow::PumpUntil(leave, 350));
    ASSERT_TRUE(MovePointer(300, 300));
    EXPECT_TRUE(TestWindow::PumpUntil(leave, 5000));
    // The timer stopped itself: nothing more comes.
    EXPECT_FALSE(TestWindow::PumpUntil(leave, 300));
    EXPECT_FALSE(KillTimer(w, 9));
}

TEST(TrackMouseLeaveCloseBoxWin32, BoxInTheTopRightCorner) {
    // Window rectangle left 100, top 100, right 300, bottom 200.
    TestWindow window(100, 100, 200, 100);
    ASSERT_TRUE(window.get());
    const HWND w = window.get();
    auto leave = [w](const MSG& m) { return IsLeaveFor(w, m); };
    ASSERT_TRUE(MovePointer(296, 111));
    const LeaveRequest request{sizeof(LeaveRequest), 1, w, 0};
    EXPECT_NE(TrackMouseLeaveCloseBox(&request), 0u);
    EXPECT_FALSE(TestWindow::PumpUntil(leave, 350));
    ASSERT_TRUE(MovePointer(290, 104));
    EXPECT_FALSE(TestWindow::PumpUntil(leave, 250));
    // Still inside the window, but off the box.
    ASSERT_TRUE(MovePointer(289, 104));
    EXPECT_TRUE(TestWindow::PumpUntil(leave, 5000));
}

}  // namespace
}  // namespace pell
