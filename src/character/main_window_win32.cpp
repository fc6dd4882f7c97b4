// The main character window: creation, the end of the run and the message
// dispatch. The handlers live in the main_window_*_win32.cpp files.
#include <windows.h>

#include <shellapi.h>

#include <chrono>

#include "character/dpi_scale.h"
#include "character/host_messages.h"
#include "character/main_window_handlers_win32.h"
#include "character/main_window_state_win32.h"
#include "character/screen_dpi_win32.h"
#include "character/skin_win32.h"
#include "character/tray_icon_win32.h"
#include "mail/check_worker.h"
#include "settings/settings_conventions.h"
#include "startup/startup_win32.h"

namespace pell {
namespace {

constexpr std::chrono::milliseconds kExitWaitForWorkers{2000};

}  // namespace

void OnMainWindowCreate(HWND window) {
    ResetMainState();
    MainWindowState& state = MainState();
    SettingsStore& settings = CharacterSettings();
    state.window = window;
    state.port = std::make_unique<WindowSchedulerPort>(window);
    state.scheduler = std::make_unique<CheckScheduler>(*state.port, settings);
    CreateIdleWatchers(window);

    DragAcceptFiles(window, TRUE);
    ReadFlag(settings, kControlSection, "MultiExe", kNo);  // creates the key; decided at start-up
    ChooseSkinAtCreation(settings);
    if (ReadFlag(settings, kControlSection, "TaskTray", kYes)) {
        state.tray.AddAtCreation(window, CurrentSkinModule());
    }
    // Every frame gets its recorded size, at the scale for the screen's DPI,
    // before the first face switch.
    SetFrameScale(CharacterScaleForDpi(WindowDpi(window)));
    BuildFrameRegions(window, kFrameCount, 1);
    state.positionSaving = true;
    state.scheduler->SetAccounts(LoadAccountList(settings));
    state.scheduler->ArmAccountTimers();
    ApplyStacking(window, std::nullopt);
    // The window grows from 0 x 0 to the frame's size; WM_SIZE places it.
    SetFace(window, kFaceIdle);
    state.leaveTrackingArmed = false;
    state.inMenu = false;
}

void OnMainWindowDestroy(HWND window) {
    MainWindowState& state = MainState();
    // The running check is abandoned and the IDLE watchers are stopped, which
    // unblocks their sockets, and their threads get one moment together to
    // end before anything they might use goes away. A thread stuck beyond
    // that (a name lookup) touches nothing on its way out.
    const auto deadline = std::chrono::steady_clock::now() + kExitWaitForWorkers;
    if (state.scheduler)
        state.scheduler->StopRunningChecks();
    StopIdleWatchers();
    WaitForCheckWorkers(kExitWaitForWorkers);
    EndIdleWatchers(deadline);
    state.tray.Delete(window);
    SetWindowRgn(window, nullptr, FALSE);
    if (state.scheduler)
        state.scheduler->SetAccounts(std::make_shared<AccountList>());
    ReleaseSkin();
    state.window = nullptr;
    PostQuitMessage(0);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MainWindowState& state = MainState();
    switch (message) {
        case WM_CREATE:
            OnMainWindowCreate(window);
            return 0;
        case WM_DESTROY:
            OnMainWindowDestroy(window);
            return 0;
        case WM_MOVE:
            SavePosition(window);
            return 0;
        case WM_SIZE:
        case WM_DISPLAYCHANGE:
            PlaceWindow(window);
            return 0;
        case WM_PAINT:
            PaintFace(window);
            return 0;
        case WM_NCPAINT:
            return 0;  // the window has no frame of its own
        case WM_ERASEBKGND:
            return 1;
        case WM_COMMAND:
            OnCommand(window, LOWORD(wParam));
            return 0;
        case WM_TIMER:
            OnTimer(window, wParam);
            return 0;
        case MSG_SKINCHANGE:
            OnSkinChange(window, wParam, lParam);
            return 0;
        case MSG_CHECKDONE:
            RefreshAfterCheck(window, wParam);
            return 0;
        case MSG_NEWMAIL:
            OnNewMail(window, lParam);
            return 0;
        case MSG_SETTINGSCHANGED:
            OnSettingsChanged(window);
            return 0;
        case kMessageDpiChanged:
            OnDpiChanged(window, LOWORD(wParam));
            return 0;
        case WM_POWERBROADCAST:
            OnPowerBroadcast(wParam);
            return TRUE;  // a suspend is never refused
        case MSG_TRAYNOTIFY:
            if (state.scheduler)
                state.tray.HandleNotify(window, lParam, state.accounts());
            return 0;
        case WM_MOUSEMOVE:
            OnMouseMove(window, wParam);
            return 0;
        case WM_LBUTTONDOWN:
            OnLeftButtonDown(window);
            return 0;
        case WM_LBUTTONUP:
            OnLeftButtonUp(window);
            return 0;
        case WM_RBUTTONDOWN:
            OnRightButtonDown(window);
            return 0;
        case WM_ENTERMENULOOP:
            state.inMenu = true;
            return 0;
        case WM_EXITMENULOOP:
            state.inMenu = false;
            return 0;
        case WM_DROPFILES:
            OnDropFiles(window, wParam);
            return 0;
        case MSG_MOUSELEAVE:
            OnPointerLeft(window);
            return 0;
        case MSG_TRAYREADD:
            state.tray.ReAdd(window, CurrentSkinModule());
            if (state.scheduler)
                state.tray.HandleNotify(window, lParam, state.accounts());
            return 0;
        case MSG_HOST_THINK:
        case MSG_HOST_SETTIMER:
        case MSG_HOST_KILLTIMER:
        case MSG_HOST_LASTNEWMAIL:
        case MSG_HOST_WORKERDONE:
            OnHostMessage(window, message, wParam, lParam);
            return 0;
        case MSG_IDLE_IDLING:
        case MSG_IDLE_NEWMAIL:
        case MSG_IDLE_ENDED:
            OnIdleMessage(window, message, lParam);
            return 0;
        default:
            // MSG_TRAYREADD, or the task bar's registered restart message:
            // the icon is added again (and the message looked at as a notice).
            if (IsTrayReAddMessage(message)) {
                state.tray.ReAdd(window, CurrentSkinModule());
                if (state.scheduler)
                    state.tray.HandleNotify(window, lParam, state.accounts());
                return 0;
            }
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace pell
