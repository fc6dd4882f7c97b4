// The three dialog templates as the program loads them: caption, font and
// size, every control with its id, class and text byte for byte, the limits
// and styles of the edits, and no text cut short in the font the dialog got.
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

struct Template {
    const char* caption;
    const char* face;
    int width;
    int height;
    std::vector<Control> controls;
    std::vector<std::string> labels;  // static texts without an id
    std::vector<EditLimit> edits;
};

// clang-format off
const Template kAbout{"ﾊﾞｰｼﾞｮﾝ情報", "Terminal", 154, 114,
    {{IDOK, "Button", "OK"}, {118, "Edit", kHomePageAddress}},
    {"Pell Watcher Series Vesk", "Version 2.07", "(C) 2026 Pell Watcher Team"}, {}};

const Template kSettings{"設定", "ＭＳ Ｐゴシック", 235, 127,
    {{1023, WC_LISTVIEWA, ""}, {IDOK, "Button", "閉じる"}, {4, "Button", "追加..."},
     {5, "Button", "編集..."}, {3, "Button", "削除"}, {1022, "Button", "詳細 >>"},
     {44, "Button", "常に最前面"}, {42, "Button", "着信時に最前面"}, {49, "Button", "さらに最前面"},
     {1009, "Button", "ﾀｽｸﾄﾚｰに表示"}, {1010, "Button", "ﾀｽｸﾄﾚｰｱｲｺﾝを新着時に点滅"},
     {1013, "Edit", "1000"}, {1011, "Button", "ﾀｽｸﾄﾚｰｱｲｺﾝをﾀﾞﾌﾞﾙｸﾘｯｸで着信確認"},
     {43, "Button", "ﾃﾚﾎｰﾀﾞｲ(指定)時間のみﾁｪｯｸ"}, {1007, "Edit", "23"}, {1008, "Edit", "8"},
     {1012, "Button", "着信にOS標準のﾒｯｾｰｼﾞﾎﾞｯｸｽ使用"}, {1019, "Button", "別のスキンを使用"},
     {1018, "Edit", ""}, {1020, "Button", "..."}, {48, "Edit", "200"},
     {46, "Button", "ﾁｪｯｸ時の絵を有効"}, {45, "Button", "ﾁｪｯｸ中の描画変更"}, {47, "Edit", "8"},
     {1016, "Button", "多重起動"}, {1040, "Button", "Windowsの起動時に開始する"}},
    {"ﾒｰﾙｻｰﾊﾞ一覧", "着信時の点滅速度", "(ﾐﾘ秒)", "時～", "時", "着信時の動画速度",
     "ﾏｳｽ通過時の復帰時間", "(100ﾐﾘ秒)"},
    {{1013, 12, true}, {48, 12, true}, {47, 12, true}, {1007, 2, true}, {1008, 2, true},
     {1018, 511, false}}};

const Template kAccount{"サーバー設定", "ＭＳ Ｐゴシック", 255, 206,
    {{30, "Edit", ""}, {31, "Edit", ""}, {32, "Edit", ""}, {33, "Edit", ""}, {34, "Edit", "15"},
     {35, "Edit", ""}, {29, "Static", "初回ﾁｪｯｸまでの開始時間(秒)"}, {36, "Edit", ""},
     {40, "Button", "..."}, {37, "Edit", ""}, {38, "Edit", ""}, {41, "Button", "..."},
     {39, "Button", "着信時のﾎﾟｯﾌﾟｱｯﾌﾟ"}, {1028, "Button", "ﾎﾟｯﾌﾟｱｯﾌﾟを5秒で消す"},
     {1023, "Button", "主題を表示"}, {1024, "Button", "本文を表示"}, {119, "Button", "APOP対応"},
     {IDOK, "Button", "OK"}, {IDCANCEL, "Button", "ｷｬﾝｾﾙ"}, {1030, "ComboBox", "SSL/TLS"},
     {1031, "Edit", ""}, {1032, "Button", "接続ﾃｽﾄ"}, {1033, "ComboBox", "POP3"},
     {1034, "Edit", "INBOX"}, {1035, "Static", "ﾌｫﾙﾀﾞ"}, {1036, "Button", "IDLE対応"}},
    {"ﾒｰﾙｻｰﾊﾞ名称", "受信ﾒｰﾙｻｰﾊﾞ(POP3)", "ﾕｰｻﾞｰ名", "ﾊﾟｽﾜｰﾄﾞ", "ﾒｰﾙﾁｪｯｸ間隔(分)", "ﾒｰﾙｿﾌﾄ",
     "起動ﾊﾟﾗﾒｰﾀ", "着信ｻｳﾝﾄﾞ", "接続の保護", "ﾎﾟｰﾄ", "受信方式"},
    {{30, 50, false}, {31, 255, false}, {32, 30, false}, {33, 30, false}, {34, 4, true},
     {35, 4, true}, {36, 255, false}, {37, 255, false}, {38, 255, false}, {1031, 5, true},
     {1034, 255, false}}};
// clang-format on

LONG Style(HWND window) {
    return GetWindowLongA(window, GWL_STYLE);
}

RECT RectIn(HWND dialog, HWND child) {
    RECT at{};
    GetWindowRect(child, &at);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&at), 2);
    return at;
}

// How much of a control's width its text may take.
int TextRoom(HWND child, const RECT& at) {
    char className[64] = {};
    GetClassNameA(child, className, sizeof(className));
    const int width = at.right - at.left;
    if (lstrcmpiA(className, "Static") == 0)
        return (Style(child) & SS_TYPEMASK) == SS_ICON ? -1 : width;
    if (lstrcmpiA(className, "Button") != 0)
        return -1;
    const LONG type = Style(child) & BS_TYPEMASK;
    if ((type == BS_AUTOCHECKBOX || type == BS_CHECKBOX) && !(Style(child) & BS_PUSHLIKE))
        return width - GetSystemMetrics(SM_CXMENUCHECK) - 4;
    return width - 6;
}

// Caption, style, font and size.
void ExpectFrame(HWND dialog, const Template& expected) {
    EXPECT_EQ(WindowText(dialog), expected.caption);
    EXPECT_EQ(Style(dialog) & (WS_POPUP | WS_CAPTION | WS_SYSMENU),
              WS_POPUP | WS_CAPTION | WS_SYSMENU);
    EXPECT_NE(GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME, 0);
    const auto font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    LOGFONTA logical{};
    GetObjectA(font, sizeof(logical), &logical);
    EXPECT_STREQ(logical.lfFaceName, expected.face);
    RECT units{0, 0, expected.width, expected.height};
    MapDialogRect(dialog, &units);
    RECT client{};
    GetClientRect(dialog, &client);
    EXPECT_EQ(client.right, units.right);
    EXPECT_EQ(client.bottom, units.bottom);
}

// Every control, inside the dialog, apart from the others, its text in full.
void ExpectControls(HWND dialog, const Template& expected) {
    const auto font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    RECT client{};
    GetClientRect(dialog, &client);
    std::map<int, HWND> byId;
    std::vector<std::string> labels;
    std::vector<std::pair<RECT, std::string>> placed;
    HDC dc = GetDC(dialog);
    HGDIOBJ old = SelectObject(dc, font);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const int id = GetDlgCtrlID(child);
        const std::string text = WindowText(child);
        if (id == 0xFFFF || id == -1) {
            labels.push_back(text);
        } else {
            byId[id] = child;
        }
        const RECT at = RectIn(dialog, child);
        EXPECT_LE(at.right, client.right) << text;
        EXPECT_LE(at.bottom, client.bottom) << text;
        if (id != 1030 && id != 1033)  // a drop-down reaches below its field only while open
            placed.push_back({at, std::to_string(id) + " " + text});
        SIZE size{};
        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
        if (const int room = TextRoom(child, at); room >= 0) {
            EXPECT_LE(size.cx, room) << "cut short: " << text;
        }
    }
    SelectObject(dc, old);
    ReleaseDC(dialog, dc);
    for (std::size_t i = 0; i < placed.size(); ++i) {
        for (std::size_t j = i + 1; j < placed.size(); ++j) {
            RECT overlap{};
            EXPECT_FALSE(IntersectRect(&overlap, &placed[i].first, &placed[j].first))
                << placed[i].second << " / " << placed[j].second;
        }
    }
    for (const Control& control : expected.controls) {
        ASSERT_EQ(byId.count(control.id), 1u) << control.id;
        char className[64] = {};
        GetClassNameA(byId[control.id], className, sizeof(className));
        EXPECT_STRCASEEQ(className, control.className) << control.id;
        EXPECT_EQ(WindowText(byId[control.id]), control.text) << control.id;
    }
    for (const std::string& label : expected.labels)
        EXPECT_NE(std::find(labels.begin(), labels.end(), label), labels.end()) << label;
    for (const EditLimit& edit : expected.edits) {
        HWND control = byId[edit.id];
        EXPECT_EQ(static_cast<std::size_t>(SendMessageA(control, EM_GETLIMITTEXT, 0, 0)),
                  edit.limit)
            << edit.id;
        EXPECT_EQ((Style(control) & ES_NUMBER) != 0, edit.digitsOnly) << edit.id;
    }
}

void ExpectTemplate(HWND dialog, const Template& expected) {
    ExpectFrame(dialog, expected);
    ExpectControls(dialog, expected);
}

class DialogTemplates : public ::testing::Test {
  protected:
    void SetUp() override { InitDialogControls(); }
    void SetShift(bool held) {
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_SHIFT] = held ? 0x80 : 0;
        SetKeyboardState(keys);
    }

    testing::TempFile file;
    IniFileStore store{file.path()};
};

TEST_F(DialogTemplates, AboutBox) {
    HWND record = nullptr;
    HWND box = CreateAboutBox(nullptr, &record);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(record, box);
    ExpectTemplate(box, kAbout);
    EXPECT_NE(Style(GetDlgItem(box, 118)) & (ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP), 0);
    int icons = 0;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if ((Style(child) & SS_TYPEMASK) == SS_ICON && SendMessageA(child, STM_GETICON, 0, 0))
            ++icons;
    }
    EXPECT_EQ(icons, 1) << "the program's icon";
    SendMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_FALSE(IsWindow(box));
    EXPECT_EQ(record, nullptr);
}

TEST_F(DialogTemplates, SettingsDialog) {
    HWND record = nullptr;
    HWND dialog = CreateSettingsDialog(nullptr, store, &record);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(record, dialog);
    ExpectFrame(dialog, kSettings);
    // The options below the first three fit into the grown dialog.
    EXPECT_EQ(WindowText(GetDlgItem(dialog, 1022)), "詳細 >>");
    SendMessageA(GetDlgItem(dialog, 1022), BM_CLICK, 0, 0);
    Template open = kSettings;
    for (Control& control : open.controls) {
        if (control.id == 1022)
            control.text = "<< 詳細";
    }
    ExpectControls(dialog, open);
    EXPECT_EQ(Style(GetDlgItem(dialog, 1022)) & (BS_PUSHLIKE | BS_TYPEMASK),
              BS_PUSHLIKE | BS_AUTOCHECKBOX);
    EXPECT_EQ(Style(GetDlgItem(dialog, IDOK)) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    HWND list = GetDlgItem(dialog, 1023);
    EXPECT_EQ(Style(list) & LVS_TYPEMASK, LVS_REPORT);
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
    DestroyWindow(dialog);
    EXPECT_EQ(record, nullptr);
}

TEST_F(DialogTemplates, AccountDialogWithAndWithoutShift) {
    for (bool shift : {true, false}) {
        SCOPED_TRACE(shift ? "Shift held" : "no Shift");
        SetShift(shift);
        ModalScript script(
            "サーバー設定", {[shift](HWND dialog) {
                if (shift) {
                    ExpectTemplate(dialog, kAccount);
                    EXPECT_NE(Style(GetDlgItem(dialog, 33)) & ES_PASSWORD, 0);
                    const char* entries[] = {"なし", "STARTTLS", "SSL/TLS"};
                    for (int i = 0; i < 3; ++i) {
                        char entry[32] = {};
                        SendDlgItemMessageA(dialog, 1030, CB_GETLBTEXT, static_cast<WPARAM>(i),
                                            reinterpret_cast<LPARAM>(entry));
                        EXPECT_STREQ(entry, entries[i]);
                    }
                } else {
                    EXPECT_EQ(GetDlgItem(dialog, 35), nullptr);
                    EXPECT_EQ(GetDlgItem(dialog, 29), nullptr);
                }
                RECT desktop{}, own{};
                GetWindowRect(GetDesktopWindow(), &desktop);
                GetWindowRect(dialog, &own);
                EXPECT_EQ(own.left,
                          (desktop.left + desktop.right) / 2 - (own.right - own.left) / 2);
                EXPECT_EQ(own.top, (desktop.top + desktop.bottom) / 2 - (own.bottom - own.top) / 2);
                SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
                return true;
            }});
        std::optional<std::string> name;
        RunAccountDialog(nullptr, store, name);
        EXPECT_TRUE(script.completed());
    }
    SetShift(false);
    EXPECT_FALSE(file.Exists()) << "cancel writes nothing";
}

}  // namespace
}  // namespace pell
