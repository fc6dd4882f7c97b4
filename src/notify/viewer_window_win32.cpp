// The viewer's window procedure, its creation and its end.
#include "notify/viewer_window_win32.h"

#include <cstring>
#include <memory>

#include "character/dpi_scale.h"
#include "character/screen_dpi_win32.h"
#include "character/window_messages.h"
#include "notify/list_window_win32.h"
#include "notify/viewer_window_state_win32.h"
#include "startup/process_values.h"
#include "startup/startup_win32.h"

namespace pell {
namespace {

constexpr DWORD kPopupExStyle = WS_EX_CONTROLPARENT | WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
constexpr DWORD kPopupStyle = WS_POPUP | WS_CLIPSIBLINGS | WS_BORDER;

}  // namespace

ViewerWindowState* ViewerState(HWND window) {
    return reinterpret_cast<ViewerWindowState*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

HWND CreateViewerWindow(HWND list, std::string text, const ViewerLook& look, const char* title,
                        POINT pointer) {
    auto state = std::make_unique<ViewerWindowState>();
    state->text = std::move(text);
    state->look = look;
    state->list = list;
    // Clear of the pointer, whose size grows with the screen's DPI.
    const int dpi = WindowDpi(list);
    HWND viewer =
        CreateWindowExA(kPopupExStyle, kViewerWindowClass, title ? title : "", kPopupStyle,
                        pointer.x + ScaleForDpi(17, dpi), pointer.y + ScaleForDpi(18, dpi), 0, 0,
                        nullptr, nullptr, ProgramInstance(), &state);
    return viewer;
}

HWND OpenMessageViewer(HWND list, std::string text, const ViewerLook& look, const char* title,
                       POINT pointer) {
    HWND viewer = CreateViewerWindow(list, std::move(text), look, title, pointer);
    if (!viewer)
        return nullptr;
    SendMessageA(viewer, WM_PAINT, 0, 0);
    SendMessageA(viewer, WM_PAINT, 0, 0);
    return IsWindow(viewer) ? viewer : nullptr;
}

int CopyViewerText(HWND viewer) {
    const ViewerWindowState* state = ViewerState(viewer);
    if (!state)
        return 0;
    const std::string& text = state->text;
    UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, text.size() + 1));
    if (!block)
        return -1;
    void* bytes = GlobalLock(block.get());
    if (!bytes)
        return -1;
    std::memcpy(bytes, text.data(), text.size());
    GlobalUnlock(block.get());
    if (!OpenClipboard(viewer))
        return 0;
    EmptyClipboard();
    // The clipboard owns the block once it has taken it.
    if (SetClipboardData(CF_TEXT, block.get()))
        block.release();
    CloseClipboard();
    return block ? 0 : 1;
}

void CloseViewer(HWND window) {
    if (ViewerWindowState* state = ViewerState(window)) {
        HWND list = state->list;
        state->list = nullptr;
        if (list)
            SendMessageA(list, WM_TIMER, kListTimerViewerGone, reinterpret_cast<LPARAM>(window));
    }
    DestroyWindow(window);
}

LRESULT CALLBACK ViewerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCREATE: {
            const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
            auto* owner = static_cast<std::unique_ptr<ViewerWindowState>*>(create->lpCreateParams);
            if (owner)
                SetWindowLongPtrA(window, GWLP_USERDATA,
                                  reinterpret_cast<LONG_PTR>(owner->release()));
            return DefWindowProcA(window, message, wParam, lParam);
        }
        case WM_NCDESTROY: {
            std::unique_ptr<ViewerWindowState> state(ViewerState(window));
            SetWindowLongPtrA(window, GWLP_USERDATA, 0);
            return DefWindowProcA(window, message, wParam, lParam);
        }
        case WM_PAINT: {
            ValidateRect(window, nullptr);
            const LRESULT result = PaintViewer(window);
            // Showing the viewer at its size asked for a paint that this one made.
            ValidateRect(window, nullptr);
            return result;
        }
        case WM_TIMER:
            if (wParam == kViewerTimerClose)
                CloseViewer(window);
            return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == kViewerCommandCopy && CopyViewerText(window) < 0)
                return -1;
            if (LOWORD(wParam) == kViewerCommandClose)
                CloseViewer(window);
            return 0;
        case kMessageDpiChanged:
            OnViewerDpiChanged(window, LOWORD(wParam), reinterpret_cast<const RECT*>(lParam));
            return 0;
        case WM_MOUSEWHEEL:
            OnViewerWheel(window, wParam);
            return 0;
        case WM_MOUSEMOVE:
            OnViewerMouseMove(window, lParam);
            return 0;
        case WM_LBUTTONDOWN:
            OnViewerLeftButtonDown(window, lParam);
            return 0;
        case WM_LBUTTONUP:
            OnViewerLeftButtonUp(window, lParam);
            return 0;
        case WM_RBUTTONUP:
            OnViewerRightButtonUp(window);
            return 0;
        case MSG_MOUSELEAVE:
            OnViewerCloseBoxLeft(window);
            return 0;
        case WM_ENTERMENULOOP:
        case WM_EXITMENULOOP:
            if (ViewerWindowState* state = ViewerState(window))
                state->inMenu = message == WM_ENTERMENULOOP;
            return 0;
        case WM_CREATE:
        case WM_DESTROY:
        case WM_ERASEBKGND:
            return 0;
        default:
            if (Process().wheelIsRegistered && message == Process().wheelMessage) {
                OnViewerWheel(window, wParam);
                return 0;
            }
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace pell
