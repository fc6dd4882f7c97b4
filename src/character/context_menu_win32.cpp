#include "character/context_menu_win32.h"

#include <vector>

#include "character/context_menu_layout.h"
#include "character/window_messages.h"
#include "startup/startup_win32.h"

namespace pell {
namespace {

bool AppendEntries(HMENU menu, const std::vector<MenuEntry>& entries) {
    for (const MenuEntry& entry : entries) {
        switch (entry.kind) {
            case MenuEntry::Kind::kSeparator:
                if (!AppendMenuA(menu, MF_SEPARATOR, 0, nullptr))
                    return false;
                break;
            case MenuEntry::Kind::kItem:
                if (!AppendMenuA(menu, MF_STRING | MF_ENABLED, entry.id, entry.text.c_str())) {
                    return false;
                }
                break;
            case MenuEntry::Kind::kSubmenu: {
                UniqueMenu submenu(CreatePopupMenu());
                if (!submenu.get() || !AppendEntries(submenu.get(), entry.children))
                    return false;
                if (!AppendMenuA(menu, MF_POPUP | MF_STRING,
                                 reinterpret_cast<UINT_PTR>(submenu.get()), entry.text.c_str())) {
                    return false;
                }
                submenu.release();  // now owned by the parent menu
                break;
            }
        }
    }
    return true;
}

}  // namespace

UniqueMenu BuildContextMenu(SettingsStore& store, const AccountList& accounts, bool fromTray,
                            bool trayPresent) {
    const std::vector<MenuEntry> layout =
        ContextMenuLayout(ReadAccountMenuTexts(store, accounts), fromTray, trayPresent);
    UniqueMenu menu(CreatePopupMenu());
    if (!menu.get() || !AppendEntries(menu.get(), layout))
        return UniqueMenu();
    return menu;
}

void ShowContextMenu(HWND mainWindow, SettingsStore& store, const AccountList& accounts,
                     bool fromTray, bool trayPresent) {
    POINT pointer{};
    GetCursorPos(&pointer);
    UniqueMenu menu = BuildContextMenu(store, accounts, fromTray, trayPresent);
    if (menu.get()) {
        TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON, pointer.x, pointer.y, 0, mainWindow, nullptr);
    }
    menu.reset();
    PostMessageA(mainWindow, MSG_MOUSELEAVE, 0, 0);
}

void ShowContextMenu(HWND mainWindow, const AccountList& accounts, bool fromTray,
                     bool trayPresent) {
    ShowContextMenu(mainWindow, Settings(), accounts, fromTray, trayPresent);
}

void OpenContextMenu(HWND mainWindow, SettingsStore& store, const AccountList& accounts,
                     bool fromTray, bool trayPresent) {
    HWND previous = GetForegroundWindow();
    SetForegroundWindow(mainWindow);
    ShowContextMenu(mainWindow, store, accounts, fromTray, trayPresent);
    SetFocus(previous);
}

void OpenContextMenu(HWND mainWindow, const AccountList& accounts, bool fromTray,
                     bool trayPresent) {
    OpenContextMenu(mainWindow, Settings(), accounts, fromTray, trayPresent);
}

}  // namespace pell
