// Commands of the menus, the timers of the main window, the new-mail notice,
// dropped files, skin changes, the settings dialog and the about box, and the
// reload after the settings.
#include <windows.h>

#include <shellapi.h>

#include <cstring>
#include <memory>
#include <string>

#include "character/main_window_handlers_win32.h"
#include "character/main_window_state_win32.h"
#include "character/menu_commands.h"
#include "character/notice_box_text.h"
#include "character/skin_win32.h"
#include "character/window_check_host_win32.h"
#include "dialogs/about_box_win32.h"
#include "dialogs/settings_dialog_win32.h"
#include "mail/new_mail_notice.h"
#include "mail/status_codes.h"
#include "notify/list_window_win32.h"
#include "notify/user_presence_win32.h"
#include "settings/settings_conventions.h"

namespace pell {
namespace {

constexpr char kNoticeCaption[] = "メール着信通知";

// The path of a file being dropped while its skin change is delivered: the
// only path pointer a skin change may carry (any process can post the message).
const char* g_dropPath = nullptr;

bool SettingsDialogOpen() {
    return MainState().settingsDialog != nullptr;
}

BOOL CALLBACK TakeNoticeBox(HWND candidate, LPARAM result) {
    char title[64] = {};
    GetWindowTextA(candidate, title, sizeof(title));
    if (std::strcmp(title, kNoticeCaption) != 0)
        return TRUE;
    *reinterpret_cast<HWND*>(result) = candidate;
    return FALSE;
}

// The plain new-mail message box of this thread, if one is on screen.
HWND FindOwnNoticeBox() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), TakeNoticeBox, reinterpret_cast<LPARAM>(&found));
    return found;
}

void LaunchMailProgram(HWND window, int index) {
    MainWindowState& state = MainState();
    if (!state.scheduler || index < 0 ||
        static_cast<std::size_t>(index) >= state.accounts().size()) {
        return;
    }
    SettingsStore& settings = CharacterSettings();
    const std::string section = state.accounts()[static_cast<std::size_t>(index)].name;
    const std::string mailer = settings.ReadText(section, "Mailer", "", 256);
    const std::string param = settings.ReadText(section, "Param", "", 256);
    SendMessageA(window, WM_LBUTTONDOWN, 0, 0);  // clears a held mail state
    if (mailer.empty())
        return;
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteA(window, "open", mailer.c_str(), param.c_str(), nullptr, SW_SHOWNORMAL));
    // The list may have been replaced while the program started.
    if (result <= 32 && static_cast<std::size_t>(index) < state.accounts().size()) {
        (*state.scheduler->accounts())[static_cast<std::size_t>(index)].status =
            kStatusLaunchFailed;
    }
}

void OpenSettings(HWND window) {
    MainWindowState& state = MainState();
    if (!state.settingsDialog) {
        SetForegroundWindow(window);
        // No worker may touch the accounts while the dialog edits them.
        state.scheduler->StopRunningChecks();
        StopIdleWatchers();
        SetFace(window, kFaceIdle);
        state.mailState = kMailIdle;
        KillTimer(window, kTimerAnimation);
        KillTimer(window, kTimerIconBlink);
        HWND dialog = CreateSettingsDialog(window, CharacterSettings(), &state.settingsDialog);
        if (dialog) {
            state.settingsDialog = dialog;
            CenterOnDesktop(dialog);
            UpdateWindow(dialog);
        } else {
            MessageBoxA(nullptr, "設定用のﾀﾞｲｱﾛｸﾞﾎﾞｯｸｽが表示できません。", "DialogBox Error",
                        MB_OKCANCEL);
            // The checks stopped above start again as after the dialog.
            SendMessageA(window, MSG_SETTINGSCHANGED, 0, 0);
        }
    }
    if (state.settingsDialog)
        SetFocus(state.settingsDialog);
}

void OpenAbout(HWND window) {
    MainWindowState& state = MainState();
    SetForegroundWindow(window);
    if (!state.aboutBox)
        CreateAboutBox(window, &state.aboutBox);
    if (state.aboutBox)
        SetFocus(state.aboutBox);
}

// Timer 2: closes the plain new-mail box when its time is up.
void CloseNoticeBox(HWND window) {
    MainWindowState& state = MainState();
    if (HWND box = FindOwnNoticeBox()) {
        SendMessageA(box, WM_CLOSE, 1, 0);
    } else {
        KillTimer(window, kTimerMessageBoxCloser);
    }
    if (state.tooltipShown) {
        state.tooltipShown = false;
        if (state.tooltip)
            DestroyWindow(state.tooltip);
        state.tooltip = nullptr;
        KillTimer(window, kTimerTooltipDelay);
    }
}

void ShowNoticeBox(HWND window, const NewMailNotice& notice) {
    MainWindowState& state = MainState();
    const std::string text = NoticeBoxText(notice);
    state.messageBoxOpen = true;
    MessageBoxA(window, text.c_str(), kNoticeCaption, MB_TOPMOST);
    if (!FindOwnNoticeBox())
        state.messageBoxOpen = false;
}

// Every few seconds while notices wait for the user to be free.
constexpr UINT kQuietCheckMs = 3000;

// The notice as the user wants it: the plain box, or a list of its own.
void HandOverNotice(HWND window, std::unique_ptr<NewMailNotice> notice) {
    if (ReadFlag(CharacterSettings(), kControlSection, "DefaultMessageBox", kNo)) {
        ShowNoticeBox(window, *notice);
        FreeNewMailNotice(notice);
        return;
    }
    POINT pointer{};
    GetCursorPos(&pointer);
    OpenNewMailList(std::move(notice), CharacterSettings(), pointer);
}

void OnQuietCheck(HWND window) {
    MainWindowState& state = MainState();
    if (UserIsBusy())
        return;
    KillTimer(window, kTimerQuietWait);
    std::vector<std::unique_ptr<NewMailNotice>> waiting = std::move(state.waitingNotices);
    state.waitingNotices.clear();
    for (std::unique_ptr<NewMailNotice>& notice : waiting)
        HandOverNotice(window, std::move(notice));
}

}  // namespace

void OnCommand(HWND window, int id) {
    MainWindowState& state = MainState();
    if (!state.scheduler)
        return;
    switch (static_cast<unsigned>(id)) {
        case kCommandAbout:
            OpenAbout(window);
            return;
        case kCommandSettings:
            OpenSettings(window);
            return;
        case kCommandExit:
            DestroyWindow(window);
            return;
        case kCommandCheckNow:
            // No check starts while the settings dialog is open, and a pass
            // begun then would wait for good.
            if (!SettingsDialogOpen())
                state.scheduler->CheckNow(false);
            return;
        default:
            if (id >= static_cast<int>(kCommandFirstAccount)) {
                LaunchMailProgram(window, id - static_cast<int>(kCommandFirstAccount));
            }
            return;
    }
}

void OnTimer(HWND window, UINT_PTR id) {
    MainWindowState& state = MainState();
    switch (id) {
        case kTimerFaceDelay:
            FaceUpdate(window);
            return;
        case kTimerMessageBoxCloser:
            CloseNoticeBox(window);
            return;
        case kTimerTooltipDelay:
            OnTooltipDelay(window);
            return;
        case kTimerTooltipKill:
            OnTooltipTimeout(window);
            return;
        case kTimerAnimation:
            AnimationTick(window);
            return;
        case kTimerIconBlink:
            state.tray.BlinkTick(window, CurrentSkinModule());
            return;
        case kTimerNetworkWait:
            if (state.scheduler)
                state.scheduler->OnNetworkWaitOver(SettingsDialogOpen());
            return;
        case kTimerQuietWait:
            OnQuietCheck(window);
            return;
        default:
            break;
    }
    if (!state.scheduler)
        return;
    if (IsIdleRetryTimer(id)) {
        OnIdleRetryTimer(id);
    } else if (id >= kFirstWatchdogTimer) {
        state.scheduler->OnWatchdog(static_cast<std::uint32_t>(id));
    } else if (id >= kFirstCheckTimer) {
        state.scheduler->OnCheckTimer(static_cast<std::uint32_t>(id), SettingsDialogOpen());
    }
}

void OnNewMail(HWND window, LPARAM lParam) {
    // A notice handed over by a check is ours from here on, whatever happens
    // to it; any other pointer is not followed.
    std::unique_ptr<NewMailNotice> notice;
    if (lParam && TakeNoticeInFlight(reinterpret_cast<const void*>(lParam))) {
        notice.reset(reinterpret_cast<NewMailNotice*>(lParam));
    }
    CloseShownTooltip();
    if (!notice || notice->text.empty())
        return;
    // Nothing opens over a presentation or a full-screen program: the letter
    // shows on the character, and the notice waits until the user is free.
    if (UserIsBusy()) {
        MainState().waitingNotices.push_back(std::move(notice));
        SetTimer(window, kTimerQuietWait, kQuietCheckMs, nullptr);
        return;
    }
    HandOverNotice(window, std::move(notice));
}

void OnDropFiles(HWND window, WPARAM wParam) {
    HDROP drop = reinterpret_cast<HDROP>(wParam);
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    if (count >= 1) {
        char path[512] = {};
        DragQueryFileA(drop, 0, path, sizeof(path));
        g_dropPath = path;
        SendMessageA(window, MSG_SKINCHANGE, 1, reinterpret_cast<LPARAM>(path));
        g_dropPath = nullptr;
    }
    DragFinish(drop);
}

void OnSkinChange(HWND window, WPARAM wParam, LPARAM lParam) {
    if (wParam == 1 && (!g_dropPath || lParam != reinterpret_cast<LPARAM>(g_dropPath)))
        return;
    if (ChangeSkin(window, wParam, lParam, CharacterSettings())) {
        MainState().tray.ApplyAfterSkinChange(window, CurrentSkinModule());
    }
}

void OnPowerBroadcast(WPARAM event) {
    MainWindowState& state = MainState();
    if (!state.scheduler)
        return;
    switch (event) {
        case PBT_APMSUSPEND:
            // The connections would be dead on waking; the pass after the
            // resume starts the watchers again with its successful checks.
            state.scheduler->OnSuspend();
            StopIdleWatchers();
            return;
        case PBT_APMRESUMEAUTOMATIC:
        case PBT_APMRESUMECRITICAL:  // woken without a suspend notice
            state.scheduler->OnResume(true);
            return;
        case PBT_APMRESUMESUSPEND:
            state.scheduler->OnResume(false);
            return;
        default:
            return;
    }
}

void OnSettingsChanged(HWND window) {
    MainWindowState& state = MainState();
    if (!state.scheduler)
        return;
    ApplyStacking(window, std::nullopt);
    SendMessageA(window, MSG_SKINCHANGE, 0, 0);
    state.scheduler->Reload(LoadAccountList(CharacterSettings()));
    RestartIdleWatchers();
    state.tray.ReadBlinkFlag();
}

bool IsOpenDialogMessage(MSG* msg) {
    const MainWindowState& state = MainState();
    for (HWND dialog : {state.settingsDialog, state.aboutBox}) {
        if (dialog && IsDialogMessageA(dialog, msg))
            return true;
    }
    return false;
}

}  // namespace pell
