// The three dialog templates as the program loads them: every control with
// its id, class, text, limit and style, the captions, fonts and sizes.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "dialogs/about_box_win32.h"
#include "dialogs/account_dialog_win32.h"
#include "dialogs/dialog_setup_win32.h"
#include "dialogs/dialog_surface_win32.h"
#include "dialogs/modal_script_win32.h"
#include "dialogs/settings_dialog_win32.h"
#include "settings/ini_file_store.h"
#include "support/temp_file.h"

namespace pell {
namespace {

using testing_win32::ModalScript;

struct Control {
    int id;
    const char* className;
    const char* text;
};

struct Children {
    std::map<int, HWND> byId;
    std::vector<std::string> staticTexts;
};

Children ChildrenOf(HWND dialog) {
    Children children;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const int id = GetDlgCtrlID(child);
        if (id == 0xFFFF || id == -1) {
            children.staticTexts.push_back(WindowText(child));
        } else {
            children.byId[id] = child;
        }
    }
    return children;
}

void ExpectControls(HWND dialog, const std::vector<Control>& expected) {
    const Children children = ChildrenOf(dialog);
    for (const Control& control : expected) {
        SCOPED_TRACE(control.id);
        auto found = children.byId.find(control.id);
        ASSERT_NE(found, children.byId.end());
        char className[64] = {};
        GetClassNameA(found->second, className, sizeof(className));
        EXPECT_STRCASEEQ(className, control.className);
        if (control.text) {
            EXPECT_EQ(WindowText(found->second), control.text);
        }
    }
}

void ExpectLabels(HWND dialog, const std::vector<std::string>& labels) {
    const Children children = ChildrenOf(dialog);
    for (const std::string& label : labels) {
        bool found = false;
        for (const std::string& text : children.staticTexts)
            found = found || text == label;
        EXPECT_TRUE(found) << label;
    }
}

void ExpectLimits(HWND dialog, const std::vector<EditLimit>& edits) {
    for (const EditLimit& edit : edits) {
        SCOPED_TRACE(edit.id);
        HWND control = GetDlgItem(dialog, edit.id);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(static_cast<std::size_t>(SendMessageA(control, EM_GETLIMITTEXT, 0, 0)),
                  edit.limit);
        EXPECT_EQ((GetWindowLongA(control, GWL_STYLE) & ES_NUMBER) != 0, edit.digitsOnly);
    }
}

// The dialog's font face and its client size in dialog units.
void ExpectFontAndSize(HWND dialog, const char* face, int width, int height) {
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)), sizeof(font),
               &font);
    EXPECT_STREQ(font.lfFaceName, face);
    RECT units{0, 0, width, height};
    MapDialogRect(dialog, &units);
    RECT client{};
    GetClientRect(dialog, &client);
    EXPECT_EQ(client.right, units.right);
    EXPECT_EQ(client.bottom, units.bottom);
    EXPECT_EQ(GetWindowLongA(dialog, GWL_STYLE) & (WS_POPUP | WS_CAPTION | WS_SYSMENU),
              WS_POPUP | WS_CAPTION | WS_SYSMENU);
    EXPECT_NE(GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME, 0);
}

// Every label, check box and button is wide enough for its text in the font
// the dialog really got, and no two controls overlap.
void ExpectNothingClipped(HWND dialog) {
    HDC dc = GetDC(dialog);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)));
    RECT client{};
    GetClientRect(dialog, &client);
    std::vector<std::pair<RECT, std::string>> placed;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char className[64] = {};
        GetClassNameA(child, className, sizeof(className));
        const std::string text = WindowText(child);
        RECT at{};
        GetWindowRect(child, &at);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&at), 2);
        placed.push_back({at, std::to_string(GetDlgCtrlID(child)) + " " + text});
        const LONG style = GetWindowLongA(child, GWL_STYLE);
        int room = at.right - at.left;
        if (lstrcmpiA(className, "Button") == 0) {
            const LONG type = style & BS_TYPEMASK;
            if (type == BS_AUTOCHECKBOX || type == BS_CHECKBOX) {
                if (!(style & BS_PUSHLIKE))
                    room -= GetSystemMetrics(SM_CXMENUCHECK) + 4;
            } else {
                room -= 6;
            }
        } else if (lstrcmpiA(className, "Static") != 0 || (style & SS_TYPEMASK) == SS_ICON) {
            continue;
        }
        SIZE size{};
        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
        EXPECT_LE(size.cx, room) << text;
    }
    for (std::size_t i = 0; i < placed.size(); ++i) {
        for (std::size_t j = i + 1; j < placed.size(); ++j) {
            RECT overlap{};
            // A drop-down list reaches below its field only while it is open.
            if (placed[i].second.rfind("1030 ", 0) == 0 || placed[j].second.rfind("1030 ", 0) == 0)
                continue;
            EXPECT_FALSE(IntersectRect(&overlap, &placed[i].first, &placed[j].first))
                << placed[i].second << " / " << placed[j].second;
        }
    }
    SelectObject(dc, old);
    ReleaseDC(dialog, dc);
}

class DialogTemplates : public ::testing::Test {
  protected:
    void SetUp() override {
        InitDialogControls();
        SetDialogMessageBoxForTesting(
            [](HWND, const std::string&, const std::string&, UINT) { return IDOK; });
    }
    void TearDown() override { SetDialogMessageBoxForTesting(nullptr); }

    testing::TempFile file;
    IniFileStore store{file.path()};
};

TEST_F(DialogTemplates, AboutBox) {
    HWND record = nullptr;
    HWND box = CreateAboutBox(nullptr, &record);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(record, box);
    EXPECT_EQ(WindowText(box), "ﾊﾞｰｼﾞｮﾝ情報");
    ExpectFontAndSize(box, "Terminal", 154, 114);
    ExpectControls(box, {{IDOK, "Button", "OK"}, {118, "Edit", kHomePageAddress}});
    ExpectLabels(box, {"Pell Watcher Series Vesk", "Version 2.07", "(C) 2026 Pell Watcher Team"});
    const LONG address = GetWindowLongA(GetDlgItem(box, 118), GWL_STYLE);
    EXPECT_NE(address & ES_READONLY, 0);
    EXPECT_NE(address & ES_AUTOHSCROLL, 0);
    EXPECT_NE(address & WS_TABSTOP, 0);
    // The icon is the program's own.
    bool icon = false;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            icon = SendMessageA(child, STM_GETICON, 0, 0) != 0;
    }
    EXPECT_TRUE(icon);
    ExpectNothingClipped(box);
    SendMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_FALSE(IsWindow(box));
    EXPECT_EQ(record, nullptr);
}

TEST_F(DialogTemplates, SettingsDialog) {
    HWND record = nullptr;
    HWND dialog = CreateSettingsDialog(nullptr, store, &record);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(record, dialog);
    EXPECT_EQ(WindowText(dialog), "設定");
    ExpectFontAndSize(dialog, "ＭＳ Ｐゴシック", 235, 127);
    ExpectControls(dialog, {
                               {1023, WC_LISTVIEWA, ""},
                               {IDOK, "Button", "閉じる"},
                               {4, "Button", "追加..."},
                               {5, "Button", "編集..."},
                               {3, "Button", "削除"},
                               {1022, "Button", "詳細 >>"},
                               {44, "Button", "常に最前面"},
                               {42, "Button", "着信時に最前面"},
                               {49, "Button", "さらに最前面"},
                               {1009, "Button", "ﾀｽｸﾄﾚｰに表示"},
                               {1010, "Button", "ﾀｽｸﾄﾚｰｱｲｺﾝを新着時に点滅"},
                               {1013, "Edit", "1000"},
                               {1011, "Button", "ﾀｽｸﾄﾚｰｱｲｺﾝをﾀﾞﾌﾞﾙｸﾘｯｸで着信確認"},
                               {43, "Button", "ﾃﾚﾎｰﾀﾞｲ(指定)時間のみﾁｪｯｸ"},
                               {1007, "Edit", "23"},
                               {1008, "Edit", "8"},
                               {1012, "Button", "着信にOS標準のﾒｯｾｰｼﾞﾎﾞｯｸｽ使用"},
                               {1019, "Button", "別のスキンを使用"},
                               {1018, "Edit", ""},
                               {1020, "Button", "..."},
                               {48, "Edit", "200"},
                               {46, "Button", "ﾁｪｯｸ時の絵を有効"},
                               {45, "Button", "ﾁｪｯｸ中の描画変更"},
                               {47, "Edit", "8"},
                               {1016, "Button", "多重起動"},
                           });
    ExpectLabels(dialog, {"ﾒｰﾙｻｰﾊﾞ一覧", "着信時の点滅速度", "(ﾐﾘ秒)", "時～", "時",
                          "着信時の動画速度", "ﾏｳｽ通過時の復帰時間", "(100ﾐﾘ秒)"});
    ExpectLimits(dialog, {{1013, 12, true},
                          {48, 12, true},
                          {47, 12, true},
                          {1007, 2, true},
                          {1008, 2, true},
                          {1018, 511, false}});
    EXPECT_EQ(GetWindowLongA(GetDlgItem(dialog, 1022), GWL_STYLE) & (BS_PUSHLIKE | BS_TYPEMASK),
              BS_PUSHLIKE | BS_AUTOCHECKBOX);
    EXPECT_EQ(GetWindowLongA(GetDlgItem(dialog, IDOK), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);

    HWND list = GetDlgItem(dialog, 1023);
    EXPECT_EQ(GetWindowLongA(list, GWL_STYLE) & LVS_TYPEMASK, LVS_REPORT);
    const auto extended =
        static_cast<DWORD>(SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    EXPECT_EQ(extended & (LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT),
              static_cast<DWORD>(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT));
    const std::pair<const char*, int> columns[] = {{"ﾒｰﾙｻｰﾊﾞ名称", 150}, {"ﾕｰｻﾞｰ名", 50}};
    for (int i = 0; i < 2; ++i) {
        char text[64] = {};
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.pszText = text;
        column.cchTextMax = sizeof(text);
        ASSERT_TRUE(SendMessageA(list, LVM_GETCOLUMNA, static_cast<WPARAM>(i),
                                 reinterpret_cast<LPARAM>(&column)));
        EXPECT_STREQ(text, columns[i].first);
        // As wide as given, or wider where the font would cut the heading.
        const int heading = static_cast<int>(
            SendMessageA(list, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(text)));
        EXPECT_EQ(column.cx, std::max(columns[i].second, heading + 16));
        EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_LEFT);
    }
    ExpectNothingClipped(dialog);
    DestroyWindow(dialog);
    EXPECT_EQ(record, nullptr);
}

TEST_F(DialogTemplates, AccountDialogWithShiftHeld) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    bool looked = false;
    {
        ModalScript script(
            "サーバー設定", {[&](HWND dialog) {
                looked = true;
                ExpectFontAndSize(dialog, "ＭＳ Ｐゴシック", 255, 190);
                ExpectControls(dialog, {
                                           {30, "Edit", ""},
                                           {31, "Edit", ""},
                                           {32, "Edit", ""},
                                           {33, "Edit", ""},
                                           {34, "Edit", "15"},
                                           {35, "Edit", ""},
                                           {29, "Static", "初回ﾁｪｯｸまでの開始時間(秒)"},
                                           {36, "Edit", ""},
                                           {40, "Button", "..."},
                                           {37, "Edit", ""},
                                           {38, "Edit", ""},
                                           {41, "Button", "..."},
                                           {39, "Button", "着信時のﾎﾟｯﾌﾟｱｯﾌﾟ"},
                                           {1028, "Button", "ﾎﾟｯﾌﾟｱｯﾌﾟを5秒で消す"},
                                           {1023, "Button", "主題を表示"},
                                           {1024, "Button", "本文を表示"},
                                           {119, "Button", "APOP対応"},
                                           {IDOK, "Button", "OK"},
                                           {IDCANCEL, "Button", "ｷｬﾝｾﾙ"},
                                           {1030, "ComboBox", "SSL/TLS"},
                                           {1031, "Edit", ""},
                                           {1032, "Button", "接続ﾃｽﾄ"},
                                       });
                ExpectLabels(dialog, {"ﾒｰﾙｻｰﾊﾞ名称", "受信ﾒｰﾙｻｰﾊﾞ(POP3)", "ﾕｰｻﾞｰ名", "ﾊﾟｽﾜｰﾄﾞ",
                                      "ﾒｰﾙﾁｪｯｸ間隔(分)", "ﾒｰﾙｿﾌﾄ", "起動ﾊﾟﾗﾒｰﾀ", "着信ｻｳﾝﾄﾞ",
                                      "接続の保護", "ﾎﾟｰﾄ"});
                ExpectLimits(dialog, {{30, 50, false},
                                      {31, 255, false},
                                      {32, 30, false},
                                      {33, 30, false},
                                      {34, 4, true},
                                      {35, 4, true},
                                      {36, 255, false},
                                      {37, 255, false},
                                      {38, 255, false},
                                      {1031, 5, true}});
                EXPECT_NE(GetWindowLongA(GetDlgItem(dialog, 33), GWL_STYLE) & ES_PASSWORD, 0);
                HWND combo = GetDlgItem(dialog, 1030);
                EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 3);
                const char* entries[] = {"なし", "STARTTLS", "SSL/TLS"};
                for (int i = 0; i < 3; ++i) {
                    char entry[32] = {};
                    SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i),
                                 reinterpret_cast<LPARAM>(entry));
                    EXPECT_STREQ(entry, entries[i]);
                }
                // Centred on the desktop.
                RECT desktop{}, own{};
                GetWindowRect(GetDesktopWindow(), &desktop);
                GetWindowRect(dialog, &own);
                EXPECT_EQ(own.left,
                          (desktop.left + desktop.right) / 2 - (own.right - own.left) / 2);
                EXPECT_EQ(own.top, (desktop.top + desktop.bottom) / 2 - (own.bottom - own.top) / 2);
                ExpectNothingClipped(dialog);
                EndDialog(dialog, 1);
                return true;
            }});
        std::optional<std::string> name;
        RunAccountDialog(nullptr, store, name);
        EXPECT_TRUE(script.completed());
    }
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    EXPECT_TRUE(looked);
    EXPECT_FALSE(file.Exists()) << "cancel writes nothing";
}

TEST_F(DialogTemplates, AccountDialogWithoutShiftHasNoDelayField) {
    ModalScript script("サーバー設定", {[](HWND dialog) {
                           EXPECT_EQ(GetDlgItem(dialog, 35), nullptr);
                           EXPECT_EQ(GetDlgItem(dialog, 29), nullptr);
                           SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
                           return true;
                       }});
    std::optional<std::string> name;
    RunAccountDialog(nullptr, store, name);
    EXPECT_TRUE(script.completed());
}

}  // namespace
}  // namespace pell
