#include "character/context_menu_layout.h"

#include "character/menu_commands.h"
#include "character/shift_jis_cut.h"
#include "mail/status_codes.h"

namespace pell {
namespace {

MenuEntry Item(std::string text, unsigned id) {
    MenuEntry entry;
    entry.text = std::move(text);
    entry.id = id;
    return entry;
}

MenuEntry Separator() {
    MenuEntry entry;
    entry.kind = MenuEntry::Kind::kSeparator;
    return entry;
}

// A single "&" is never the second byte of a Shift_JIS character, so doubling
// every one is safe.
std::string EscapeAmpersands(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        out += c;
        if (c == '&')
            out += '&';
    }
    return out;
}

}  // namespace

std::string AccountMenuText(int count, std::string_view name, int status) {
    std::string text = std::to_string(count < 0 ? 0 : count);
    text += "件 ";
    text += EscapeAmpersands(name);
    text += '(';
    text += StatusText(status);
    text += ')';
    return text;
}

std::vector<std::string> ReadAccountMenuTexts(SettingsStore& store, const AccountList& accounts) {
    std::vector<std::string> texts;
    texts.reserve(accounts.size());
    for (const AccountEntry& account : accounts) {
        const std::string name = CutShiftJis(
            store.ReadText(account.name, "Popname", "", kMenuNameCapacity), kMenuNameCapacity - 1);
        texts.push_back(AccountMenuText(account.messageCount.load(), name, account.status.load()));
    }
    return texts;
}

std::vector<MenuEntry> ContextMenuLayout(const std::vector<std::string>& accountTexts,
                                         bool fromTray, bool trayPresent) {
    std::vector<MenuEntry> menu;
    if (!accountTexts.empty()) {
        MenuEntry mail;
        mail.kind = MenuEntry::Kind::kSubmenu;
        mail.text = "ﾒｰﾙ(&M)";
        for (std::size_t i = 0; i < accountTexts.size(); ++i) {
            mail.children.push_back(
                Item(accountTexts[i], kCommandFirstAccount + static_cast<unsigned>(i)));
        }
        menu.push_back(std::move(mail));
        menu.push_back(Item("着信の確認(&C)...", kCommandCheckNow));
        menu.push_back(Separator());
    }
    menu.push_back(Item("設定(&S)...", kCommandSettings));
    menu.push_back(Separator());
    if (fromTray == trayPresent) {
        menu.push_back(Item("ﾊﾞｰｼﾞｮﾝ情報(&A)...", kCommandAbout));
        menu.push_back(Separator());
    }
    menu.push_back(Item("終了(&X)", kCommandExit));
    return menu;
}

}  // namespace pell
