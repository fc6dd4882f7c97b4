// The context menu as the platform builds and shows it.
#include "character/context_menu_win32.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "character/temp_settings.h"
#include "character/test_window_win32.h"
#include "character/window_messages.h"

namespace pell {
namespace {

using testing_win32::TestWindow;

// One line per item: "text=id", "-" for a separator, "[text]" then the
// submenu's items indented.
std::vector<std::string> Describe(HMENU menu, const std::string& indent = "") {
    std::vector<std::string> lines;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        char text[256] = {};
        GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof(text), MF_BYPOSITION);
        if (HMENU sub = GetSubMenu(menu, i)) {
            lines.push_back(indent + "[" + text + "]");
            for (const std::string& line : Describe(sub, indent + "  "))
                lines.push_back(line);
        } else if (state & MF_SEPARATOR) {
            lines.push_back(indent + "-");
        } else {
            EXPECT_FALSE(state & (MF_GRAYED | MF_DISABLED)) << text;
            lines.push_back(indent + text + "=" + std::to_string(GetMenuItemID(menu, i)));
        }
    }
    return lines;
}

class ContextMenuWin32 : public ::testing::Test {
  protected:
    testing_support::TempSettings file_;
    IniFileStore* store_ = &file_.store;
};

TEST_F(ContextMenuWin32, ItemsForAccounts) {
    store_->Write("POP1", "Popname", "Home");
    store_->Write("POP2", "Popname", "仕事");
    AccountList accounts;
    accounts.emplace_back("POP1");
    accounts.emplace_back("POP2");
    accounts[0].messageCount = 3;
    accounts[0].status = 0;
    accounts[1].messageCount = -1;
    accounts[1].status = -6;
    UniqueMenu menu = BuildContextMenu(*store_, accounts, true, true);
    ASSERT_TRUE(menu.get());
    const std::vector<std::string> expected = {"[ﾒｰﾙ(&M)]",
                                               "  3件 Home(正常)=300",
                                               "  0件 仕事(新着ﾒｰﾙ)=301",
                                               "着信の確認(&C)...=297",
                                               "-",
                                               "設定(&S)...=256",
                                               "-",
                                               "ﾊﾞｰｼﾞｮﾝ情報(&A)...=108",
                                               "-",
                                               "終了(&X)=257"};
    EXPECT_EQ(Describe(menu.get()), expected);
}

// Closes the open menu from inside its modal loop.
void CALLBACK CloseMenu(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    EndMenu();
}

TEST_F(ContextMenuWin32, ShowingPostsPointerLeftAfterwards) {
    TestWindow window(100, 100, 32, 32, false);
    ASSERT_TRUE(window.get());
    AccountList accounts;
    accounts.emplace_back("POP1");
    SetTimer(nullptr, 0, 200, CloseMenu);
    OpenContextMenu(window.get(), *store_, accounts, false, true);
    const HWND w = window.get();
    EXPECT_TRUE(TestWindow::PumpUntil(
        [w](const MSG& m) { return m.hwnd == w && m.message == MSG_MOUSELEAVE; }, 2000));
    EXPECT_TRUE(window.commands().empty());
}

}  // namespace
}  // namespace pell
