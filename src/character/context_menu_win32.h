#pragma once
// The context menu of the character and of the notification icon. The chosen
// item reaches the main window as WM_COMMAND with its id (see menu_commands.h).
#include <windows.h>

#include "settings/account_list.h"
#include "settings/settings_store.h"

namespace pell {

// Owns a menu; destroying it destroys its submenus too.
class UniqueMenu {
  public:
    UniqueMenu() = default;
    explicit UniqueMenu(HMENU menu) : menu_(menu) {}
    ~UniqueMenu() { reset(); }
    UniqueMenu(UniqueMenu&& other) noexcept : menu_(other.release()) {}
    UniqueMenu& operator=(UniqueMenu&& other) noexcept {
        if (this != &other) {
            reset();
            menu_ = other.release();
        }
        return *this;
    }
    UniqueMenu(const UniqueMenu&) = delete;
    UniqueMenu& operator=(const UniqueMenu&) = delete;

    HMENU get() const { return menu_; }
    HMENU release() {
        HMENU menu = menu_;
        menu_ = nullptr;
        return menu;
    }
    void reset() {
        if (menu_)
            DestroyMenu(menu_);
        menu_ = nullptr;
    }

  private:
    HMENU menu_ = nullptr;
};

// Builds the menu: the accounts' submenu "ﾒｰﾙ(&M)" (ids 300 + i) and the check
// item when there are accounts, settings, the about item exactly when
// `fromTray` equals `trayPresent`, and exit. Names come from `store`.
UniqueMenu BuildContextMenu(SettingsStore& store, const AccountList& accounts, bool fromTray,
                            bool trayPresent);

// Shows the menu at the pointer, owned by the main window, and waits for the
// choice; afterwards posts MSG_MOUSELEAVE so the character's face returns to
// its state.
void ShowContextMenu(HWND mainWindow, SettingsStore& store, const AccountList& accounts,
                     bool fromTray, bool trayPresent);
void ShowContextMenu(HWND mainWindow, const AccountList& accounts, bool fromTray, bool trayPresent);

// Opens the menu as the user expects it: the main window is brought to the
// foreground first (or the menu would not close when clicking elsewhere), and
// the focus goes back to the window that had it.
void OpenContextMenu(HWND mainWindow, SettingsStore& store, const AccountList& accounts,
                     bool fromTray, bool trayPresent);
void OpenContextMenu(HWND mainWindow, const AccountList& accounts, bool fromTray, bool trayPresent);

}  // namespace pell
