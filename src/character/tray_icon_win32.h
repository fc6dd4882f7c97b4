#pragma once
// The icon in the notification area: added at creation when TaskTray is on,
// switched between icon 201 (no new mail) and 202 (new mail) by the refresh
// after a check and by the blink timer, re-applied after a skin change, added
// again when the task bar restarts, deleted at the end of the run.
//
// A skin module of null means the program itself. Icons 201/202 and the tip
// (string 1) come from a skin library when one is in use; a library without
// them falls back to the program's icons and to the Title setting.
//
// Use by the main window:
//   creation            AddAtCreation(window, skin)
//   refresh             ShowMailIcon(window, skin, newMail); StartBlinking() when timer 6 starts
//   timer 6             BlinkTick(window, skin)
//   skin change         ApplyAfterSkinChange(window, skin)
//   account reload      ReadBlinkFlag()
//   IsTrayReAddMessage  ReAdd(window, skin), then HandleNotify(window, lParam, accounts): the
//                       re-add message is also looked at as an icon notification
//   MSG_TRAYNOTIFY      HandleNotify(window, lParam, accounts)
//   WM_DESTROY          Delete(window)
#include <windows.h>

#include "character/tray_tip.h"
#include "settings/account_list.h"
#include "settings/settings_store.h"

namespace pell {

// The message that the task bar broadcasts when it starts again.
UINT TaskbarCreatedMessage();

// True for MSG_TRAYREADD (49314) and the registered "TaskbarCreated" message.
bool IsTrayReAddMessage(UINT message);

class TrayIcon {
  public:
    TrayIcon();  // settings from Settings()
    explicit TrayIcon(SettingsStore& store);
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // Only when TaskTray is on: adds icon 201 and reads BlinkIcon.
    void AddAtCreation(HWND owner, HMODULE skin);
    // After a check: icon 202 on new mail, else 201, with the refresh's tip.
    void ShowMailIcon(HWND owner, HMODULE skin, bool newMail);
    // The blink starts with the new-mail icon showing.
    void StartBlinking();
    // Timer 6: flips the blink phase and, when BlinkIcon is on, shows it.
    void BlinkTick(HWND owner, HMODULE skin);
    // After every skin change: icon 201 of the new skin when TaskTray is on
    // (modified, or added when not shown); deleted when TaskTray is off.
    void ApplyAfterSkinChange(HWND owner, HMODULE skin);
    // Deletes the icon and, when TaskTray is on, adds it again and reads
    // BlinkIcon. Does not handle the message's lParam (see above).
    void ReAdd(HWND owner, HMODULE skin);
    void ReadBlinkFlag();
    bool blinkIconOn() const { return blinkIconOn_; }
    bool blinkPhase() const { return blinkPhase_; }
    void Delete(HWND owner);
    // True while the icon is shown: set only when adding it succeeded.
    bool present() const { return present_; }
    // MSG_TRAYNOTIFY: a double click delivers WM_COMMAND 297 (TrayDblClickAct on)
    // or 256; a right button release opens the context menu from the tray.
    void HandleNotify(HWND owner, LPARAM mouseMessage, const AccountList& accounts);

  private:
    SettingsStore& store() const;
    bool Send(DWORD action, HWND owner, HMODULE skin, int iconId, TipOccasion occasion);
    bool Add(HWND owner, HMODULE skin, int iconId, TipOccasion occasion);
    bool Modify(HWND owner, HMODULE skin, int iconId, TipOccasion occasion);
    bool TaskTrayOn() const;

    SettingsStore* store_ = nullptr;
    bool present_ = false;
    bool blinkPhase_ = false;
    bool blinkIconOn_ = false;
};

}  // namespace pell
