#pragma once
// Stand-ins for hover tracking, the tray icon and the context menu until their
// own files exist: the same entry points, doing nothing. Included only through
// character_peers_win32.h, which prefers the real headers when present.
#include <windows.h>

#include "settings/account_list.h"

namespace pell {

struct LeaveRequest {
    DWORD size;
    DWORD flags;
    HWND window;
    DWORD hoverTime;
};
UINT_PTR TrackMouseLeave(const LeaveRequest* request);
UINT_PTR TrackMouseLeaveCloseBox(const LeaveRequest* request);
bool IsPointerOutside(HWND window);

class TrayIcon {
  public:
    void AddAtCreation(HWND owner, HMODULE skin);
    void ShowMailIcon(HWND owner, HMODULE skin, bool newMail);
    void StartBlinking();
    void BlinkTick(HWND owner, HMODULE skin);
    void ApplyAfterSkinChange(HWND owner, HMODULE skin);
    void ReAdd(HWND owner, HMODULE skin);
    void ReadBlinkFlag();
    bool blinkIconOn() const;
    void Delete(HWND owner);
    bool present() const;
    void HandleNotify(HWND owner, LPARAM mouseMessage, const AccountList& accounts);
};

void OpenContextMenu(HWND mainWindow, const AccountList& accounts, bool fromTray, bool trayPresent);

}  // namespace pell
