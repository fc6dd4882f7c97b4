// The context menu's items, texts and ids as data.
#include "character/context_menu_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "character/temp_settings.h"

namespace pell {
namespace {

// Flattens the layout to one line per entry: "text=id", "-" or "[text]" with the
// submenu's lines indented.
std::vector<std::string> Describe(const std::vector<MenuEntry>& entries,
                                  const std::string& indent = "") {
    std::vector<std::string> lines;
    for (const MenuEntry& e : entries) {
        switch (e.kind) {
            case MenuEntry::Kind::kSeparator:
                lines.push_back(indent + "-");
                break;
            case MenuEntry::Kind::kItem:
                lines.push_back(indent + e.text + "=" + std::to_string(e.id));
                break;
            case MenuEntry::Kind::kSubmenu: {
                lines.push_back(indent + "[" + e.text + "]");
                for (const std::string& line : Describe(e.children, indent + "  ")) {
                    lines.push_back(line);
                }
                break;
            }
        }
    }
    return lines;
}

struct TextCase {
    int count;
    std::string name;
    int status;
    std::string expected;
};

TEST(AccountMenuText, FormatsCountNameAndStatus) {
    const TextCase cases[] = {
        {3, "Home", 0, "3件 Home(正常)"}, {-1, "Home", -1, "0件 Home(未ﾁｪｯｸ)"},
        {0, "", -6, "0件 (新着ﾒｰﾙ)"},     {12345, "仕事", 15, "12345件 仕事(TimeOut)"},
        {1, "R&D", 0, "1件 R&&D(正常)"},  {2, "x", 99, "2件 x()"},  // a code without a text
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(AccountMenuText(c.count, c.name, c.status), c.expected);
    }
}

struct LayoutCase {
    bool withAccounts;
    bool fromTray;
    bool trayPresent;
    std::vector<std::string> expected;
};

TEST(ContextMenuLayout, ItemsByAccountsAndOrigin) {
    const std::vector<std::string> accounts = {"3件 Home(正常)", "0件 Work(ﾁｪｯｸ中)"};
    const std::vector<std::string> withMail = {"[ﾒｰﾙ(&M)]", "  3件 Home(正常)=300",
                                               "  0件 Work(ﾁｪｯｸ中)=301", "着信の確認(&C)...=297",
                                               "-"};
    const std::vector<std::string> about = {"ﾊﾞｰｼﾞｮﾝ情報(&A)...=108", "-"};
    auto join = [](std::initializer_list<std::vector<std::string>> parts) {
        std::vector<std::string> all;
        for (const auto& part : parts)
            all.insert(all.end(), part.begin(), part.end());
        return all;
    };
    const std::vector<std::string> settings = {"設定(&S)...=256", "-"};
    const std::vector<std::string> exit = {"終了(&X)=257"};
    const LayoutCase cases[] = {
        // From the tray: the about item when the icon is there.
        {true, true, true, join({withMail, settings, about, exit})},
        // From the character: the about item only without an icon.
        {true, false, true, join({withMail, settings, exit})},
        {true, false, false, join({withMail, settings, about, exit})},
        {true, true, false, join({withMail, settings, exit})},
        // No accounts: no mail submenu and no check item.
        {false, true, true, join({settings, about, exit})},
        {false, false, true, join({settings, exit})},
    };
    for (const LayoutCase& c : cases) {
        const auto layout = ContextMenuLayout(
            c.withAccounts ? accounts : std::vector<std::string>{}, c.fromTray, c.trayPresent);
        EXPECT_EQ(Describe(layout), c.expected) << c.withAccounts << c.fromTray << c.trayPresent;
    }
}

TEST(ReadAccountMenuTexts, UsesNamesFromSettingsAndRuntimeFields) {
    testing_support::TempSettings file;
    IniFileStore& store = file.store;
    store.Write("POP1", "Popname", "Home");
    store.Write("POP3", "Popname", std::string(120, 'n'));
    AccountList accounts;
    accounts.emplace_back("POP1");
    accounts.emplace_back("POP2");  // no Popname
    accounts.emplace_back("POP3");
    accounts[0].messageCount = 3;
    accounts[0].status = 0;
    accounts[1].messageCount = -5;
    accounts[1].status = 12;
    accounts[2].status = -8;
    const std::vector<std::string> expected = {"3件 Home(正常)", "0件 (LOGINｴﾗｰ)",
                                               "0件 " + std::string(99, 'n') + "(ﾁｪｯｸ停止中)"};
    EXPECT_EQ(ReadAccountMenuTexts(store, accounts), expected);
}

}  // namespace
}  // namespace pell
