#include "settings/check_flag_win32.h"

#include <gtest/gtest.h>

#include "settings/ini_file_store.h"
#include "support/temp_file.h"

namespace pell {
namespace {

TEST(WriteCheckFlag, CheckedIsYesAnythingElseNo) {
    testing::TempFile file;
    IniFileStore store(file.path());
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(parent, nullptr);
    HWND box = CreateWindowExA(0, "BUTTON", "x", WS_CHILD | BS_AUTO3STATE, 0, 0, 10, 10, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(42)),
                               GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(box, nullptr);
    struct Case {
        WPARAM state;
        const char* expected;
    };
    const Case cases[] = {{BST_CHECKED, "Yes"}, {BST_UNCHECKED, "No"}, {BST_INDETERMINATE, "No"}};
    for (const Case& c : cases) {
        SendMessageA(box, BM_SETCHECK, c.state, 0);
        WriteCheckFlag(parent, 42, store, "Control", "Topmost");
        EXPECT_EQ(store.ReadText("Control", "Topmost", "", 8), c.expected);
    }
    DestroyWindow(parent);
}

}  // namespace
}  // namespace pell
