// The pointer, the wheel and the context menu of the viewer.
#include <windowsx.h>

#include "character/context_menu_win32.h"
#include "character/hover_tracking_win32.h"
#include "notify/list_window_win32.h"
#include "notify/viewer_layout.h"
#include "notify/viewer_window_state_win32.h"
#include "startup/process_values.h"

namespace pell {
namespace {

constexpr DWORD kLeaveRequestFlags = 9;

int WindowWidth(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect.right - rect.left;
}

void RepaintCloseSquare(HWND window, int dpi) {
    RECT client{};
    GetClientRect(window, &client);
    const int side = ScaleForDpi(11, dpi);
    RECT square{client.right - side, 0, client.right, side};
    InvalidateRect(window, &square, TRUE);
    SendMessageA(window, WM_PAINT, 0, 1);
}

}  // namespace

void OnViewerMouseMove(HWND window, LPARAM lParam) {
    // The pointer has reached the viewer: a closing timer the list started on
    // the way (no line highlighted any more) must not close it under the
    // pointer. Leaving both windows closes it again.
    KillTimer(window, kViewerTimerClose);
    if (GetKeyState(VK_SHIFT) < 0)
        KillTimer(window, 1);
    ViewerWindowState* state = ViewerState(window);
    if (!state || state->closeHot ||
        !InViewerHotSquare(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), WindowWidth(window),
                           state->dpi)) {
        return;
    }
    state->closeHot = true;
    LeaveRequest request{sizeof(LeaveRequest), kLeaveRequestFlags, window, 0};
    TrackMouseLeaveCloseBox(&request);
    RepaintCloseSquare(window, state->dpi);
}

void OnViewerLeftButtonDown(HWND window, LPARAM lParam) {
    ViewerWindowState* state = ViewerState(window);
    if (!state)
        return;
    // A press makes the viewer the user's: the list no longer replaces or
    // closes it, nor does a closing timer it started before.
    KillTimer(window, kViewerTimerClose);
    if (HWND list = state->list) {
        state->list = nullptr;
        SendMessageA(list, WM_TIMER, kListTimerViewerGone, reinterpret_cast<LPARAM>(window));
    }
    if (!InViewerCloseSquare(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), WindowWidth(window),
                             state->dpi)) {
        POINT screen{};
        GetCursorPos(&screen);
        SendMessageA(window, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(screen.x, screen.y));
    }
}

void OnViewerLeftButtonUp(HWND window, LPARAM lParam) {
    const ViewerWindowState* state = ViewerState(window);
    if (state && InViewerCloseSquare(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam),
                                     WindowWidth(window), state->dpi))
        SendMessageA(window, WM_TIMER, kViewerTimerClose, 0);
}

void OnViewerRightButtonUp(HWND window) {
    UniqueMenu menu(CreatePopupMenu());
    if (!menu.get())
        return;
    AppendMenuA(menu.get(), MF_STRING, kViewerCommandCopy, "ｺﾋﾟｰ(&C)");
    AppendMenuA(menu.get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu.get(), MF_STRING, kViewerCommandClose, "閉じる(&X)");
    POINT screen{};
    GetCursorPos(&screen);
    TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON, screen.x, screen.y, 0, window, nullptr);
}

void OnViewerCloseBoxLeft(HWND window) {
    ViewerWindowState* state = ViewerState(window);
    if (!state)
        return;
    state->closeHot = false;
    if (!state->inMenu)
        RepaintCloseSquare(window, state->dpi);
}

void OnViewerWheel(HWND window, WPARAM wParam) {
    ViewerWindowState* state = ViewerState(window);
    if (!state)
        return;
    const int delta = WheelDelta(wParam, Process().wheelIsRegistered);
    state->scrollLine = ScrollAfterWheel(state->scrollLine, delta, state->lineCount);
    InvalidateRect(window, nullptr, FALSE);
}

}  // namespace pell
