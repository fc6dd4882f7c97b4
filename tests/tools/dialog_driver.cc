// Test tool for the end-to-end run: drives the running program's dialogs from
// another process with window messages, as a user's clicks and typing would.
//   dialog_driver menu-command ID          WM_COMMAND ID to the character
//   dialog_driver wait settings|account|about
//   dialog_driver rect settings|account|about [ID]   prints WxH+X+Y (of control ID)
//   dialog_driver shown settings|account|about ID    exit 0 when control ID is visible
//   dialog_driver click settings|account|about ID    presses button ID
//   dialog_driver account-open                       Add, then waits for the dialog
//   dialog_driver account-fill NAME SERVER PORT USER PASSWORD SECURITY
//   dialog_driver account-test                       prints the test's status text
//   dialog_driver account-ok                         OK, then waits until it has gone
// Exit code 0 on success, 1 on a time-out or a missing window.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const wchar_t* TitleOf(const char* which) {
    if (std::strcmp(which, "settings") == 0)
        return L"設定";
    if (std::strcmp(which, "account") == 0)
        return L"サーバー設定";
    if (std::strcmp(which, "about") == 0)
        return L"ﾊﾞｰｼﾞｮﾝ情報";
    if (std::strcmp(which, "test") == 0)
        return L"接続ﾃｽﾄ";
    return L"";
}

HWND Find(const wchar_t* title) {
    HWND window = FindWindowW(L"#32770", title);
    return window && IsWindowVisible(window) ? window : nullptr;
}

HWND WaitFor(const wchar_t* title, int seconds = 20) {
    for (int i = 0; i < seconds * 10; ++i) {
        if (HWND window = Find(title))
            return window;
        Sleep(100);
    }
    return nullptr;
}

bool WaitGone(const wchar_t* title, int seconds = 20) {
    for (int i = 0; i < seconds * 10; ++i) {
        if (!Find(title))
            return true;
        Sleep(100);
    }
    return false;
}

// Posted, so that a modal loop the click opens runs in the program, not here.
bool Click(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    if (!button)
        return false;
    return PostMessageW(button, BM_CLICK, 0, 0) != 0;
}

// Arguments arrive in the ANSI code page.
void SetText(HWND dialog, int id, const char* ansi) {
    wchar_t text[512] = {};
    MultiByteToWideChar(CP_ACP, 0, ansi, -1, text, 512);
    SendMessageW(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

// The text of a message box: its static control that is not the icon.
std::string BoxText(HWND box) {
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t className[32] = {};
        GetClassNameW(child, className, 32);
        if (lstrcmpiW(className, L"Static") != 0)
            continue;
        wchar_t text[1024] = {};
        SendMessageW(child, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
        if (!text[0])
            continue;
        char utf8[4096] = {};
        WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof(utf8), nullptr, nullptr);
        return utf8;
    }
    return std::string();
}

int Fail(const char* what) {
    std::fprintf(stderr, "dialog_driver: %s\n", what);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return Fail("no command");
    const std::string command = argv[1];
    if (command == "menu-command" && argc > 2) {
        HWND character = FindWindowW(L"Pell32WClass", L"Pell32 VESK");
        if (!character)
            return Fail("no character window");
        PostMessageW(character, WM_COMMAND, static_cast<WPARAM>(std::atoi(argv[2])), 0);
        return 0;
    }
    if ((command == "wait" || command == "rect" || command == "click" || command == "shown") &&
        argc > 2) {
        HWND dialog = WaitFor(TitleOf(argv[2]));
        if (!dialog)
            return Fail("the dialog did not appear");
        if (command == "shown") {
            HWND control = argc > 3 ? GetDlgItem(dialog, std::atoi(argv[3])) : nullptr;
            return control && IsWindowVisible(control) ? 0 : 1;
        }
        if (command == "rect") {
            HWND target = argc > 3 ? GetDlgItem(dialog, std::atoi(argv[3])) : dialog;
            if (!target)
                return Fail("no such control");
            RECT rect{};
            GetWindowRect(target, &rect);
            std::printf("%ldx%ld+%ld+%ld\n", rect.right - rect.left, rect.bottom - rect.top,
                        rect.left, rect.top);
        } else if (command == "click") {
            if (argc < 4 || !Click(dialog, std::atoi(argv[3])))
                return Fail("no such button");
        }
        return 0;
    }
    if (command == "account-open") {
        HWND settings = WaitFor(TitleOf("settings"));
        if (!settings || !Click(settings, 4))
            return Fail("no settings dialog");
        return WaitFor(TitleOf("account")) ? 0 : Fail("the account dialog did not open");
    }
    if (command == "account-fill" && argc > 7) {
        HWND account = WaitFor(TitleOf("account"));
        if (!account)
            return Fail("no account dialog");
        SetText(account, 30, argv[2]);
        SetText(account, 31, argv[3]);
        SetText(account, 1031, argv[4]);
        SetText(account, 32, argv[5]);
        SetText(account, 33, argv[6]);
        SendDlgItemMessageW(account, 1030, CB_SETCURSEL, static_cast<WPARAM>(std::atoi(argv[7])),
                            0);
        return 0;
    }
    if (command == "account-test") {
        HWND account = WaitFor(TitleOf("account"));
        if (!account || !Click(account, 1032))
            return Fail("no account dialog");
        HWND box = WaitFor(TitleOf("test"), 90);
        if (!box)
            return Fail("the test reported nothing");
        Sleep(300);
        std::printf("%s\n", BoxText(box).c_str());
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        return WaitGone(TitleOf("test")) ? 0 : Fail("the report stayed open");
    }
    if (command == "account-ok") {
        HWND account = WaitFor(TitleOf("account"));
        if (!account || !Click(account, IDOK))
            return Fail("no account dialog");
        return WaitGone(TitleOf("account")) ? 0 : Fail("the account dialog stayed open");
    }
    return Fail("unknown command");
}
