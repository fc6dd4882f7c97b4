// The new-mail list's window procedure, its creation and its end.
#include "notify/list_window_win32.h"

#include <windowsx.h>

#include "character/dpi_scale.h"
#include "character/screen_dpi_win32.h"
#include "character/window_messages.h"
#include "notify/list_window_state_win32.h"
#include "notify/viewer_window_state_win32.h"
#include "notify/viewer_window_win32.h"
#include "settings/settings_conventions.h"
#include "startup/startup_win32.h"

namespace pell {
namespace {

constexpr DWORD kPopupExStyle = WS_EX_CONTROLPARENT | WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
constexpr DWORD kPopupStyle = WS_POPUP | WS_CLIPSIBLINGS | WS_BORDER;

void OnListCreate(HWND window) {
    // The list never takes the keyboard focus.
    SetFocus(GetForegroundWindow());
    ListWindowState* state = ListState(window);
    if (!state)
        return;
    state->follows = ReadFlag(*state->settings, kControlSection, "MessageMoveWithMouse", kNo);
    if (state->follows)
        SetTimer(window, kListTimerFollow, 1, nullptr);
}

void OnListTimer(HWND window, WPARAM id, LPARAM lParam) {
    switch (id) {
        case kListTimerFollow:
            OnListFollow(window);
            return;
        case kListTimerClose:
            CloseList(window);
            return;
        case kListTimerLeaving:
            OnListLeavingWatch(window);
            return;
        case kListTimerReplaceViewer:
            KillTimer(window, kListTimerReplaceViewer);
            OnListReplaceViewer(window);
            return;
        case kListTimerViewerGone:
            if (ListWindowState* state = ListState(window)) {
                if (state->viewer && reinterpret_cast<LPARAM>(state->viewer) == lParam)
                    state->viewer = nullptr;
            }
            return;
        default:
            return;
    }
}

}  // namespace

ListWindowState* ListState(HWND window) {
    return reinterpret_cast<ListWindowState*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

HWND CreateListWindow(std::unique_ptr<NewMailNotice> notice, SettingsStore& settings,
                      POINT pointer) {
    if (!notice)
        return nullptr;
    auto state = std::make_unique<ListWindowState>();
    state->settings = &settings;
    const std::string title = notice->accountName;
    state->notice = std::move(notice);
    // The window takes the state over when it is created (WM_NCCREATE).
    return CreateWindowExA(kPopupExStyle, kListWindowClass, title.c_str(), kPopupStyle,
                           pointer.x - 1, pointer.y + ScaleForDpi(18, WindowDpi(nullptr)), 0, 0,
                           nullptr, nullptr, ProgramInstance(), &state);
}

HWND OpenNewMailList(std::unique_ptr<NewMailNotice> notice, SettingsStore& settings,
                     POINT pointer) {
    HWND foreground = GetForegroundWindow();
    HWND list = CreateListWindow(std::move(notice), settings, pointer);
    if (!list)
        return nullptr;
    SendMessageA(list, WM_PAINT, 0, 0);
    if (foreground && IsWindow(foreground))
        SetFocus(foreground);
    return list;
}

HWND ListViewer(HWND list) {
    const ListWindowState* state = ListState(list);
    return state ? state->viewer : nullptr;
}

bool ViewerInUse(HWND viewer, POINT screen) {
    RECT rect{};
    if (!viewer || !GetWindowRect(viewer, &rect))
        return false;
    const ViewerWindowState* state = ViewerState(viewer);
    return PtInRect(&rect, screen) || (state && state->inMenu);
}

void CloseList(HWND window) {
    if (ListWindowState* state = ListState(window))
        state->selected = 0;
    // The notice goes with the state when the window is gone; an open viewer
    // stays until its own rules close it.
    DestroyWindow(window);
}

void OpenViewerForLine(HWND window, int line, const char* title, POINT screen) {
    ListWindowState* state = ListState(window);
    if (!state || line < 1 || !state->notice->summaries ||
        static_cast<std::size_t>(line) > state->notice->summaries->size()) {
        return;
    }
    const NewMailNotice& notice = *state->notice;
    ViewerLook look;
    look.header = notice.bodyHeaderTextColor;
    look.body = notice.bodyTextColor;
    look.background = notice.bodyBackGroundColor;
    look.face = notice.fontFace;
    look.fontHeight = notice.bodyFontHeight;
    const std::string text = (*notice.summaries)[static_cast<std::size_t>(line - 1)].viewer;
    HWND viewer = OpenMessageViewer(window, text, look, title, screen);
    // Painting the viewer may have run this list's handlers: look again.
    if ((state = ListState(window)) != nullptr) {
        state->viewer = viewer;
        state->viewerLine = line;
    }
}

LRESULT CALLBACK ListWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCREATE: {
            const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
            auto* owner = static_cast<std::unique_ptr<ListWindowState>*>(create->lpCreateParams);
            if (owner)
                SetWindowLongPtrA(window, GWLP_USERDATA,
                                  reinterpret_cast<LONG_PTR>(owner->release()));
            return DefWindowProcA(window, message, wParam, lParam);
        }
        case WM_NCDESTROY: {
            std::unique_ptr<ListWindowState> state(ListState(window));
            SetWindowLongPtrA(window, GWLP_USERDATA, 0);
            return DefWindowProcA(window, message, wParam, lParam);
        }
        case WM_CREATE:
            OnListCreate(window);
            return 0;
        case WM_PAINT:
            ValidateRect(window, nullptr);
            PaintList(window);
            // Showing the list at its size asked for a paint that this one made.
            ValidateRect(window, nullptr);
            return 0;
        case WM_TIMER:
            OnListTimer(window, wParam, lParam);
            return 0;
        case WM_MOUSEMOVE:
            OnListMouseMove(window, lParam);
            return 0;
        case WM_LBUTTONUP:
            OnListLeftButtonUp(window, lParam);
            return 0;
        case WM_LBUTTONDOWN:
            return 0;
        case kMessageDpiChanged:
            OnListDpiChanged(window, LOWORD(wParam), reinterpret_cast<const RECT*>(lParam));
            return 0;
        case MSG_MOUSELEAVE:
            OnListCloseBoxLeft(window);
            return 0;
        case WM_ENTERMENULOOP:
        case WM_EXITMENULOOP:
            if (ListWindowState* state = ListState(window))
                state->inMenu = message == WM_ENTERMENULOOP;
            return 0;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_ERASEBKGND:
        case WM_DESTROY:
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace pell
