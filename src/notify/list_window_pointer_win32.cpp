// The pointer over the new-mail list: the close button, the highlight that
// follows it, dragging, clicks that open the viewer, and the list following
// the pointer or noticing that it has gone.
#include <windowsx.h>

#include "character/hover_tracking_win32.h"
#include "notify/list_layout.h"
#include "notify/list_window_state_win32.h"
#include "notify/list_window_win32.h"

namespace pell {
namespace {

constexpr DWORD kLeaveRequestFlags = 9;
constexpr UINT kLeavingWatchMs = 200;

int WindowWidth(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect.right - rect.left;
}

void Repaint(HWND window) {
    SendMessageA(window, WM_PAINT, 0, 0);
}

void RaiseViewer(HWND viewer) {
    SetFocus(viewer);
    SetWindowPos(viewer, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

bool SamePoint(POINT a, POINT b) {
    return a.x == b.x && a.y == b.y;
}

}  // namespace

void OnListMouseMove(HWND window, LPARAM lParam) {
    const int x = GET_X_LPARAM(lParam);
    const int y = GET_Y_LPARAM(lParam);
    if (ShiftHeld()) {
        // Held still: neither following the pointer nor closing by itself.
        KillTimer(window, kListTimerFollow);
        KillTimer(window, kListTimerClose);
    }
    ListWindowState* state = ListState(window);
    if (!state)
        return;
    if (InListCloseSquare(x, y, WindowWidth(window), state->dpi)) {
        if (!state->closeHot) {
            state->closeHot = true;
            LeaveRequest request{sizeof(LeaveRequest), kLeaveRequestFlags, window, 0};
            TrackMouseLeaveCloseBox(&request);
            RECT client{};
            GetClientRect(window, &client);
            const int side = ScaleForDpi(12, state->dpi);
            RECT square{client.right - side, 0, client.right, side};
            InvalidateRect(window, &square, TRUE);
            return;
        }
    } else {
        POINT screen{};
        GetCursorPos(&screen);
        if (!SamePoint(screen, state->lastPointer)) {
            Repaint(window);
            if ((state = ListState(window)) == nullptr)
                return;
            if (GetAsyncKeyState(VK_LBUTTON) & 0x8000) {
                state->lastPointer = screen;
                SendMessageA(window, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(screen.x, screen.y));
                if ((state = ListState(window)) == nullptr)
                    return;
            } else if (state->viewer) {
                RaiseViewer(state->viewer);
            }
        }
        state->lastPointer = screen;
    }
    SetTimer(window, kListTimerLeaving, kLeavingWatchMs, nullptr);
}

void OnListLeftButtonUp(HWND window, LPARAM lParam) {
    ListWindowState* state = ListState(window);
    if (!state)
        return;
    if (InListCloseSquare(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), WindowWidth(window),
                          state->dpi)) {
        CloseList(window);
        return;
    }
    if (state->notice->body && !state->viewer && state->highlightShown) {
        const int line = state->selected;
        if (line >= 1 && state->notice->summaries &&
            static_cast<std::size_t>(line) <= state->notice->summaries->size()) {
            const std::string title =
                (*state->notice->summaries)[static_cast<std::size_t>(line - 1)].uidl;
            POINT screen{};
            GetCursorPos(&screen);
            OpenViewerForLine(window, line, title.c_str(), screen);
            if ((state = ListState(window)) == nullptr)
                return;
        }
    }
    if (state->viewer)
        RaiseViewer(state->viewer);
}

void OnListCloseBoxLeft(HWND window) {
    ListWindowState* state = ListState(window);
    if (!state)
        return;
    state->closeHot = false;
    if (state->inMenu)
        return;
    RECT client{};
    GetClientRect(window, &client);
    const int side = ScaleForDpi(12, state->dpi);
    RECT square{client.right - side, 0, client.right, side};
    InvalidateRect(window, &square, TRUE);
    Repaint(window);
}

void OnListLeavingWatch(HWND window) {
    if (ShiftHeld()) {
        KillTimer(window, kListTimerLeaving);
        return;
    }
    POINT screen{};
    GetCursorPos(&screen);
    RECT rect{};
    GetWindowRect(window, &rect);
    if (PtInRect(&rect, screen))
        return;
    ListWindowState* state = ListState(window);
    if (!state)
        return;
    // On its way to the viewer or reading it: the watch goes on until the
    // pointer has left both windows.
    if (ViewerInUse(state->viewer, screen))
        return;
    KillTimer(window, kListTimerLeaving);
    if (!SamePoint(screen, state->lastPointer)) {
        Repaint(window);
        if ((state = ListState(window)) == nullptr)
            return;
        if (HWND viewer = state->viewer) {
            state->viewer = nullptr;
            SendMessageA(viewer, WM_TIMER, kListTimerClose, 0);
            if ((state = ListState(window)) == nullptr)
                return;
        }
    }
    state->lastPointer = screen;
}

void OnListFollow(HWND window) {
    if (ShiftHeld())
        return;
    POINT pointer{};
    GetCursorPos(&pointer);
    RECT rect{};
    GetWindowRect(window, &rect);
    RECT desktop{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    const ListPosition at =
        FollowPointer(pointer.x, pointer.y, rect.right - rect.left, rect.bottom - rect.top,
                      {desktop.left, desktop.top, desktop.right, desktop.bottom});
    if (at.x != rect.left || at.y != rect.top) {
        SetWindowPos(window, HWND_TOPMOST, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

}  // namespace pell
