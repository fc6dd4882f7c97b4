// Do-nothing stand-ins for hover tracking, the tray icon and the context menu,
// used until their own files exist (then this file compiles to nothing).
#if !__has_include("character/tray_icon_win32.h")
#include "character/tray_and_hover_stub_pending_win32.h"

namespace pell {

UINT_PTR TrackMouseLeave(const LeaveRequest*) {
    return 0;
}
UINT_PTR TrackMouseLeaveCloseBox(const LeaveRequest*) {
    return 0;
}

// Without the real test the pointer counts as inside the window rectangle.
bool IsPointerOutside(HWND window) {
    POINT point{};
    RECT rect{};
    if (!GetCursorPos(&point) || !GetWindowRect(window, &rect))
        return true;
    return !PtInRect(&rect, point);
}

void TrayIcon::AddAtCreation(HWND, HMODULE) {}
void TrayIcon::ShowMailIcon(HWND, HMODULE, bool) {}
void TrayIcon::StartBlinking() {}
void TrayIcon::BlinkTick(HWND, HMODULE) {}
void TrayIcon::ApplyAfterSkinChange(HWND, HMODULE) {}
void TrayIcon::ReAdd(HWND, HMODULE) {}
void TrayIcon::ReadBlinkFlag() {}
bool TrayIcon::blinkIconOn() const {
    return false;
}
void TrayIcon::Delete(HWND) {}
bool TrayIcon::present() const {
    return false;
}
void TrayIcon::HandleNotify(HWND, LPARAM, const AccountList&) {}

void OpenContextMenu(HWND mainWindow, const AccountList&, bool, bool) {
    PostMessageA(mainWindow, 1026, 0, 0);
}

}  // namespace pell
#endif
