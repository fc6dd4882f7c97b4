#pragma once
// The context menu as data: the platform layer only turns these entries into
// menu items, so the layout rules can be tested anywhere.
#include <string>
#include <string_view>
#include <vector>

#include "settings/account_list.h"
#include "settings/settings_store.h"

namespace pell {

// Display names are read into 100-byte buffers.
inline constexpr std::size_t kMenuNameCapacity = 100;

struct MenuEntry {
    enum class Kind { kItem, kSeparator, kSubmenu };
    Kind kind = Kind::kItem;
    std::string text;
    unsigned id = 0;                  // command id of an item
    std::vector<MenuEntry> children;  // items of a submenu
};

// "%d件 %s(%s)": message count (negative shows as 0), display name, status
// text. An "&" in the name is doubled so that the menu shows it instead of
// taking it for an accelerator mark.
std::string AccountMenuText(int count, std::string_view name, int status);

// One text per account, in list order, with the names read from the settings.
std::vector<std::string> ReadAccountMenuTexts(SettingsStore& store, const AccountList& accounts);

// The whole menu. The account submenu and the check item appear only when there
// are accounts; the about item appears exactly when `fromTray` equals
// `trayPresent`, so the character's own menu carries it only without an icon.
std::vector<MenuEntry> ContextMenuLayout(const std::vector<std::string>& accountTexts,
                                         bool fromTray, bool trayPresent);

}  // namespace pell
