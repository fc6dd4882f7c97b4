// The settings dialog and the account dialog opened from the character's menu
// command and driven with messages: what reaches the settings file, when, and
// what the character picks up after the dialog has closed.
#include <windows.h>
#include <winsock2.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "character/character_window_test_win32.h"
#include "character/main_window_state_win32.h"
#include "dialogs/dialog_setup_win32.h"
#include "dialogs/dialog_surface_win32.h"
#include "dialogs/file_chooser_win32.h"
#include "dialogs/modal_script_win32.h"
#include "dialogs/settings_dialog_logic.h"
#include "dialogs/settings_dialog_win32.h"
#include "dialogs/startup_entry_win32.h"
#include "mail/run_settings_store.h"
#include "mail/status_codes.h"
#include "settings/ini_file_store.h"
#include "settings/password_scramble.h"
#include "settings/profile_store_win32.h"
#include "startup/startup_win32.h"
#include "support/temp_file.h"

namespace pell {
namespace {

using testing_win32::FindThreadWindow;
using testing_win32::ModalScript;
using testing_win32::Press;
using testing_win32::Pump;
using testing_win32::SetField;

struct Shown {
    std::string text;
    std::string caption;
    UINT flags;
};

class SettingsDialogTest : public testing_win32::CharacterWindowTest {
  protected:
    void SetUp() override {
        InitDialogControls();
        CharacterWindowTest::SetUp();
        store_->Write("Control", "posx", "40");
        store_->Write("Control", "posy", "40");
        SetDialogMessageBoxForTesting(
            [this](HWND, const std::string& text, const std::string& caption, UINT flags) {
                shown_.push_back({text, caption, flags});
                return answer_;
            });
        HoldChecks();
        CreateMain();
        // Never the prefix's real Run key.
        RegDeleteTreeW(HKEY_CURRENT_USER, kTestRunKey);
        SetRunKeyForTesting(kTestRunKey);
    }
    void Recreate() {
        DestroyMain();
        CreateMain();
    }
    void TearDown() override {
        CharacterWindowTest::TearDown();
        SetDialogMessageBoxForTesting(nullptr);
        SetFileChooserForTesting(nullptr);
        SetRunKeyForTesting(nullptr);
        RegDeleteTreeW(HKEY_CURRENT_USER, kTestRunKey);
    }

    static constexpr wchar_t kTestRunKey[] = L"Software\\PellWatcherTests\\Run";
    // The test key's value, or "<none>".
    static std::wstring RunValue() {
        wchar_t text[1024] = {};
        DWORD bytes = sizeof(text) - sizeof(wchar_t);
        if (RegGetValueW(HKEY_CURRENT_USER, kTestRunKey, kRunValueName, RRF_RT_REG_SZ, nullptr,
                         text, &bytes) != ERROR_SUCCESS) {
            return L"<none>";
        }
        return text;
    }
    static void SetRunValue(const std::wstring& value, DWORD type = REG_SZ) {
        RegSetKeyValueW(HKEY_CURRENT_USER, kTestRunKey, kRunValueName, type, value.c_str(),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
    static std::wstring ThisProgram() {
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        return path;
    }

    HWND OpenSettings() {
        SendMessageA(main_, WM_COMMAND, 256, 0);
        Pump();
        return MainState().settingsDialog;
    }
    void Close(HWND dialog) {
        SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        Pump();
    }
    std::string Get(const char* section, const char* key) {
        return store_->ReadText(section, key, "<none>", 512);
    }
    int Rows(HWND dialog) {
        return static_cast<int>(SendDlgItemMessageA(dialog, 1023, LVM_GETITEMCOUNT, 0, 0));
    }
    std::string RowText(HWND dialog, int row) {
        char text[256] = {};
        LVITEMA item{};
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        SendDlgItemMessageA(dialog, 1023, LVM_GETITEMTEXTA, static_cast<WPARAM>(row),
                            reinterpret_cast<LPARAM>(&item));
        return text;
    }
    // The account dialog, driven by `steps` from inside its own loop; it is
    // opened by the settings dialog's button `button`.
    void RunAccountDialog(HWND dialog, int button, std::vector<ModalScript::Step> steps) {
        ModalScript script("サーバー設定", std::move(steps));
        SendMessageA(GetDlgItem(dialog, button), BM_CLICK, 0, 0);
        EXPECT_TRUE(script.completed());
        Pump();
    }

    std::vector<Shown> shown_;
    int answer_ = IDOK;
};

// A real click on the check box of a list row: the list view toggles it and
// tells the dialog.
void ClickCheckBox(HWND list, int row) {
    RECT bounds{};
    bounds.left = LVIR_BOUNDS;
    SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&bounds));
    const int y = (bounds.top + bounds.bottom) / 2;
    for (int x = bounds.left; x < bounds.left + 40; ++x) {
        LVHITTESTINFO hit{};
        hit.pt = {x, y};
        SendMessageA(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        if (hit.flags & LVHT_ONITEMSTATEICON) {
            PostMessageA(list, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
            SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
            Pump();
            return;
        }
    }
    ADD_FAILURE() << "no check box in row " << row;
}

TEST_F(SettingsDialogTest, AnAccountAddedThroughTheDialogIsCheckedByTheCharacter) {
    HWND dialog = OpenSettings();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Rows(dialog), 0);
    RunAccountDialog(dialog, 4,
                     {SetField(30, "Home & %s"), SetField(31, "127.0.0.1"),
                      SetField(32, "pelltest"), SetField(33, "pw-Secret9"), SetField(1031, "1110"),
                      [](HWND account) {
                          SendDlgItemMessageA(account, 1030, CB_SETCURSEL, 0, 0);
                          return true;
                      },
                      Press(IDOK)});
    ASSERT_EQ(Rows(dialog), 1);
    EXPECT_EQ(RowText(dialog, 0), "Home & %s");
    EXPECT_EQ(Get("POP1", "Popname"), "Home & %s");
    EXPECT_EQ(Get("POP1", "Password"), ScramblePassword("pw-Secret9"));
    EXPECT_EQ(Get("POP1", "Timer"), "900");
    EXPECT_EQ(Get("POP1", "Security"), "0");
    EXPECT_EQ(Get("POP1", "Port"), "1110");
    EXPECT_TRUE(MainState().accounts().empty()) << "the character reloads only on closing";

    Close(dialog);
    EXPECT_EQ(MainState().settingsDialog, nullptr);
    ASSERT_EQ(MainState().accounts().size(), 1u);
    EXPECT_EQ(MainState().accounts()[0].name, "POP1");
    // Its first check follows after OffsetTimer (1 s).
    const DWORD start = GetTickCount();
    while (held_.empty() && GetTickCount() - start < 10000) {
        Pump();
        Sleep(20);
    }
    ASSERT_EQ(held_.size(), 1u);
    EXPECT_EQ(held_[0].timerId, 10u);
}

TEST_F(SettingsDialogTest, AClickOnACheckBoxWritesCheckAtOnce) {
    ListAccounts(2);
    store_->Write("POP1", "Popname", "One");
    store_->Write("POP2", "Popname", "Two");
    HWND dialog = OpenSettings();
    ASSERT_NE(dialog, nullptr);
    ClickCheckBox(GetDlgItem(dialog, 1023), 1);
    EXPECT_EQ(Get("POP2", "Check"), "No");
    EXPECT_EQ(Get("POP1", "Check"), "Yes");
    ClickCheckBox(GetDlgItem(dialog, 1023), 1);
    EXPECT_EQ(Get("POP2", "Check"), "Yes");
    ClickCheckBox(GetDlgItem(dialog, 1023), 0);
    Close(dialog);
    EXPECT_EQ(MainState().accounts()[0].status.load(), kStatusCheckOff);
    EXPECT_EQ(MainState().accounts()[1].status.load(), kStatusNotChecked);
}

TEST_F(SettingsDialogTest, ChecksStopBeforeTheDialogOpensAndNoneStartsWhileItIsOpen) {
    ListAccounts(1);
    store_->Write("POP1", "Timer", "0");
    Recreate();  // the account is loaded at creation
    SendMessageA(main_, WM_COMMAND, 297, 0);
    ASSERT_EQ(held_.size(), 1u);
    RunSettingsStore worker(*store_, held_[0].run);

    HWND dialog = OpenSettings();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(held_[0].run->abandoned());
    EXPECT_FALSE(worker.Write("POP1", "Mesid", "<late@x>,")) << "the ended check writes nothing";
    EXPECT_FALSE(MainState().scheduler->checkRunning());
    EXPECT_EQ(MainState().face, 1);
    // One dialog: a second command only focuses it; no check starts meanwhile.
    EXPECT_EQ(OpenSettings(), dialog);
    SendMessageA(main_, WM_COMMAND, 297, 0);
    SendMessageA(main_, WM_TIMER, 10, 0);
    EXPECT_EQ(held_.size(), 1u);
    EXPECT_FALSE(MainState().scheduler->passRunning());

    Close(dialog);
    SendMessageA(main_, WM_COMMAND, 297, 0);
    EXPECT_EQ(held_.size(), 2u);
}

TEST_F(SettingsDialogTest, DetailsOptionsAndTheStackingTheCharacterTakesAtOnce) {
    HWND dialog = OpenSettings();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(GetWindowLongA(main_, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    SendMessageA(GetDlgItem(dialog, 44), BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, 42)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, 49)));
    RECT first{}, grown{}, back{};
    GetWindowRect(dialog, &first);
    SendMessageA(GetDlgItem(dialog, 1022), BM_CLICK, 0, 0);  // the details
    GetWindowRect(dialog, &grown);
    RECT details{0, 0, 0, kDetailsHeight};
    MapDialogRect(dialog, &details);
    EXPECT_EQ(grown.bottom - grown.top, first.bottom - first.top + details.bottom);
    EXPECT_EQ(grown.top, first.top);
    for (int id : {1010, 1011, 1013})
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, id))) << id;  // TaskTray=No
    SendMessageA(GetDlgItem(dialog, 1009), BM_CLICK, 0, 0);
    for (int id : {1010, 1011, 1013})
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, id))) << id;
    SetDlgItemTextA(dialog, 48, "150");
    SendMessageA(GetDlgItem(dialog, 1022), BM_CLICK, 0, 0);
    GetWindowRect(dialog, &back);
    EXPECT_EQ(back.bottom - back.top, first.bottom - first.top);
    Close(dialog);
    EXPECT_EQ(Get("Control", "Topmost"), "Yes");
    EXPECT_EQ(Get("Control", "TaskTray"), "Yes");
    EXPECT_EQ(Get("Control", "AnimationTimer"), "150");
    EXPECT_EQ(Get("Control", "TelehoStartTime"), "23");

    EXPECT_NE(GetWindowLongA(main_, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);

    dialog = OpenSettings();
    SendMessageA(GetDlgItem(dialog, 44), BM_CLICK, 0, 0);
    Close(dialog);
    EXPECT_EQ(GetWindowLongA(main_, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
}

TEST_F(SettingsDialogTest, DetailsOpeningBelowTheScreenMoveTheDialogUp) {
    HWND dialog = OpenSettings();
    ASSERT_NE(dialog, nullptr);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    ASSERT_TRUE(GetMonitorInfoA(MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST), &monitor));
    const RECT& work = monitor.rcWork;
    RECT first{}, grown{};
    GetWindowRect(dialog, &first);
    const int height = first.bottom - first.top;
    SetWindowPos(dialog, nullptr, first.left, work.bottom - height - 4, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
    SendMessageA(GetDlgItem(dialog, 1022), BM_CLICK, 0, 0);
    GetWindowRect(dialog, &grown);
    RECT details{0, 0, 0, kDetailsHeight};
    MapDialogRect(dialog, &details);
    EXPECT_EQ(grown.bottom - grown.top, height + details.bottom);
    EXPECT_EQ(grown.bottom, work.bottom);
    EXPECT_EQ(grown.left, first.left);
    Close(dialog);
}

TEST_F(SettingsDialogTest, StartWithWindowsShowsAndChangesTheRunKey) {
    // What the Run key holds when the dialog opens, the box it shows, the
    // click (if any) before closing and the value afterwards.
    const std::wstring self = ThisProgram();
    const std::wstring quoted = L"\"" + self + L"\"";
    const std::wstring other = L"\"C:\\old copy\\PellWatcher.exe\"";
    const struct {
        const char* name;
        std::wstring before;  // empty: no value
        DWORD type;
        bool shown;
        bool click;
        std::wstring after;
    } cases[] = {
        {"no value: unchecked, a click adds the quoted path", L"", REG_SZ, false, true, quoted},
        {"this program: checked, a click removes it", quoted, REG_SZ, true, true, L"<none>"},
        {"through an environment variable",
         L"%PELL_RUN_TEST_DIR%\\" + self.substr(self.find_last_of(L'\\') + 1), REG_EXPAND_SZ, true,
         false, L""},
        {"another copy: unchecked and left alone", other, REG_SZ, false, false, other},
        {"another copy: a click takes the value over", other, REG_SZ, false, true, quoted},
    };
    SetEnvironmentVariableW(L"PELL_RUN_TEST_DIR", self.substr(0, self.find_last_of(L'\\')).c_str());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RegDeleteTreeW(HKEY_CURRENT_USER, kTestRunKey);
        if (!c.before.empty())
            SetRunValue(c.before, c.type);
        HWND dialog = OpenSettings();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(IsDlgButtonChecked(dialog, kSettingsStartWithWindows) == BST_CHECKED, c.shown);
        if (c.click)
            SendMessageA(GetDlgItem(dialog, kSettingsStartWithWindows), BM_CLICK, 0, 0);
        Close(dialog);
        if (!c.after.empty()) {
            EXPECT_TRUE(RunValue() == c.after);
        }
        EXPECT_EQ(StartsWithWindows(), c.shown != c.click);
    }
    EXPECT_TRUE(shown_.empty());
}

TEST_F(SettingsDialogTest, EditRenamesAndDeleteAsksFirst) {
    ListAccounts(3);
    for (int i = 1; i <= 3; ++i) {
        const std::string section = "POP" + std::to_string(i);
        store_->Write(section, "Popname", "Account" + std::to_string(i));
        store_->Write(section, "Server", "s");
        store_->Write(section, "User", "u");
    }
    HWND dialog = OpenSettings();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, 5)));
    // A double click on the first row opens it for editing.
    HWND list = GetDlgItem(dialog, 1023);
    RECT label{};
    label.left = LVIR_LABEL;
    SendMessageA(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&label));
    const LPARAM at = MAKELPARAM(label.left + 4, (label.top + label.bottom) / 2);
    {
        ModalScript script("サーバー設定", {[](HWND account) {
                                                EXPECT_EQ(WindowText(GetDlgItem(account, 30)),
                                                          "Account1");
                                                return true;
                                            },
                                            SetField(30, "Renamed"), Press(IDOK)});
        PostMessageA(list, WM_LBUTTONUP, 0, at);
        SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
        Pump();
        PostMessageA(list, WM_LBUTTONUP, 0, at);
        SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        Pump();
        EXPECT_TRUE(script.completed());
    }
    EXPECT_EQ(RowText(dialog, 0), "Renamed");
    EXPECT_EQ(Get("POP1", "Popname"), "Renamed");

    // Delete without a selection, then cancelled, then confirmed.
    EXPECT_EQ(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0), 0);
    SendMessageA(dialog, WM_COMMAND, 3, 0);
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].flags, static_cast<UINT>(MB_OK | MB_ICONWARNING));
    ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, 3)));
    answer_ = IDCANCEL;
    SendMessageA(GetDlgItem(dialog, 3), BM_CLICK, 0, 0);
    EXPECT_EQ(Rows(dialog), 3);
    answer_ = IDOK;
    SendMessageA(GetDlgItem(dialog, 3), BM_CLICK, 0, 0);
    ASSERT_EQ(shown_.size(), 3u);
    EXPECT_EQ(shown_[2].flags, static_cast<UINT>(MB_OKCANCEL | MB_ICONQUESTION));
    ASSERT_EQ(Rows(dialog), 2);
    EXPECT_EQ(RowText(dialog, 0), "Account3");
    EXPECT_EQ(RowText(dialog, 1), "Account2");
    Close(dialog);
}

TEST_F(SettingsDialogTest, TheSkinChooserFillsThePath) {
    std::string title;
    SetFileChooserForTesting([&title](HWND, const FileChooser& chooser) {
        title = chooser.title;
        return std::optional<std::string>("C:\\skins\\new.dll");
    });
    HWND dialog = OpenSettings();
    SendMessageA(GetDlgItem(dialog, 1019), BM_CLICK, 0, 0);
    SendMessageA(GetDlgItem(dialog, 1020), BM_CLICK, 0, 0);
    EXPECT_EQ(title, "ｽｷﾝﾌｧｲﾙの指定");
    EXPECT_EQ(WindowText(GetDlgItem(dialog, 1018)), "C:\\skins\\new.dll");
    Close(dialog);
}

TEST_F(SettingsDialogTest, AnUnwritableFileIsReportedAndTheDialogStillCloses) {
    // The character keeps its store: it starts again on the other file.
    DestroyMain();
    // The platform's own profile calls, on a file that cannot be made.
    store_ = std::make_unique<ProfileStoreWin32>("Z:\\no such folder\\pell\\Zeririvu.ini");
    SetCharacterSettingsForTesting(store_.get());
    Recreate();
    HWND dialog = OpenSettings();
    ASSERT_NE(dialog, nullptr);
    RunAccountDialog(dialog, 4,
                     {SetField(30, "N"), SetField(31, "s"), SetField(32, "u"), Press(IDOK),
                      [this](HWND account) {
                          // Still open after the warning; nothing is lost yet.
                          EXPECT_EQ(shown_.size(), 1u);
                          EXPECT_EQ(WindowText(GetDlgItem(account, 30)), "N");
                          SendMessageA(account, WM_COMMAND, IDCANCEL, 0);
                          return true;
                      }});
    Close(dialog);
    EXPECT_EQ(MainState().settingsDialog, nullptr);
    ASSERT_EQ(shown_.size(), 2u);
    for (const Shown& box : shown_) {
        EXPECT_EQ(box.text, kSaveFailedText);
        EXPECT_EQ(box.flags, static_cast<UINT>(MB_OK | MB_ICONWARNING));
    }
}

TEST_F(SettingsDialogTest, TheConnectionTestRunsWhileTheDialogStaysUsable) {
    // A port on which nobody listens.
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    int length = sizeof(address);
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    closesocket(probe);
    const std::string port = std::to_string(ntohs(address.sin_port));

    HWND dialog = OpenSettings();
    RunAccountDialog(dialog, 4,
                     {SetField(31, "127.0.0.1"), SetField(32, "u"), SetField(1031, port),
                      [](HWND account) {
                          SendDlgItemMessageA(account, 1030, CB_SETCURSEL, 0, 0);
                          return true;
                      },
                      Press(1032),
                      [this](HWND account) {
                          // The result comes back through the dialog's own loop.
                          if (shown_.empty())
                              return false;
                          EXPECT_EQ(shown_[0].text, StatusText(kStatusConnect));
                          EXPECT_EQ(shown_[0].caption, "接続ﾃｽﾄ");
                          EXPECT_TRUE(IsWindowEnabled(GetDlgItem(account, 1032)));
                          SendMessageA(account, WM_COMMAND, IDCANCEL, 0);
                          return true;
                      }});
    WSACleanup();
    EXPECT_EQ(Get("Poplist", "Count"), "<none>") << "a test saves nothing";
    Close(dialog);
}

TEST_F(SettingsDialogTest, TheAboutBoxOpensOnce) {
    SendMessageA(main_, WM_COMMAND, 108, 0);
    HWND box = MainState().aboutBox;
    ASSERT_NE(box, nullptr);
    SendMessageA(main_, WM_COMMAND, 108, 0);
    EXPECT_EQ(MainState().aboutBox, box);
    EXPECT_EQ(testing_win32::ThreadWindowsTitled("ﾊﾞｰｼﾞｮﾝ情報").size(), 1u);
    // Read-only: typing changes nothing.
    HWND address = GetDlgItem(box, 118);
    SendMessageA(address, WM_CHAR, 'x', 0);
    EXPECT_EQ(WindowText(address), "https://pellwatcher.example/");
    SendMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    EXPECT_EQ(MainState().aboutBox, nullptr);
    EXPECT_FALSE(IsWindow(box));
    SendMessageA(main_, WM_COMMAND, 108, 0);
    EXPECT_NE(MainState().aboutBox, nullptr);
}

TEST_F(SettingsDialogTest, ThePlatformsProfileFileKeepsEveryOtherLine) {
    const std::string before =
        "; my notes\r\n[Control]\r\nTopmost=No\r\nSecretOption=42\r\n"
        "[Poplist]\r\nCount=1\r\nList1=POP1\r\n; keep me\r\n"
        "[POP1]\r\nPopname=Home\r\nCheck=Yes\r\nMesid=<a@b>,\r\nFuture=1\r\n[Unknown]\r\nx=y\r\n";
    testing::TempFile profileFile;
    profileFile.Write(before);
    ProfileStoreWin32 profile(profileFile.path());
    HWND dialog = CreateSettingsDialog(main_, profile, nullptr);
    ASSERT_NE(dialog, nullptr);
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    Pump();
    const std::string after = profileFile.Read();
    std::size_t from = 0;
    for (std::size_t start = 0; start < before.size();) {
        const std::size_t end = before.find("\r\n", start);
        const std::string line = before.substr(start, end - start + 2);
        start = end + 2;
        const std::size_t found = after.find(line, from);
        ASSERT_NE(found, std::string::npos) << line;
        from = found + line.size();
    }
}

}  // namespace
}  // namespace pell
