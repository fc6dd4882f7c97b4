// After every check: the mail state, the tray icon, the animation and blink
// timers, the next account of a pass and the face; plus the worker's requests.
#include "character/host_messages.h"
#include "character/hover_tracking_win32.h"
#include "character/main_window_handlers_win32.h"
#include "character/main_window_state_win32.h"
#include "character/skin_win32.h"
#include "character/window_check_host_win32.h"
#include "settings/settings_conventions.h"
#include "settings/timer_periods.h"

namespace pell {
namespace {

bool PointerInside(HWND window) {
    return !IsPointerOutside(window);
}

// With Getnew the character comes to the front while new mail is shown,
// unless it is topmost anyway.
bool RaisesForMail(SettingsStore& settings) {
    return !ReadFlag(settings, kControlSection, "Topmost", kNo) &&
           ReadFlag(settings, kControlSection, "Getnew", kYes);
}

void SetTopmost(HWND window, bool topmost) {
    SetWindowPos(window, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// Timer 5 alternates the two letter frames; it runs only while the letter
// face is shown and stops itself otherwise (pointer over the character, error
// or checking face), so it is started again whenever that face returns.
void StartAnimation(HWND window, SettingsStore& settings) {
    const int animation = ReadRepairingNumber(settings, kControlSection, "AnimationTimer", 200);
    if (animation > 0) {
        MainState().animationPhase = false;
        SetTimer(window, kTimerAnimation, TimerPeriodMs(animation), nullptr);
    }
}

void EnterNewMail(HWND window, SettingsStore& settings) {
    MainWindowState& state = MainState();
    if (RaisesForMail(settings))
        SetTopmost(window, true);
    StartAnimation(window, settings);
    // Without an icon in the notification area there is nothing to blink.
    if (state.tray.blinkIconOn() && state.tray.present()) {
        const int blink = ReadRepairingNumber(settings, kControlSection, "TaskTrayTimer", 1000);
        if (blink > 0) {
            state.tray.StartBlinking();
            SetTimer(window, kTimerIconBlink, TimerPeriodMs(blink), nullptr);
        }
    }
}

// An open tooltip shows the statuses as they change while a check runs.
void RefreshShownTooltip() {
    MainWindowState& state = MainState();
    if (state.tooltipShown && state.tooltip) {
        SetWindowPos(state.tooltip, HWND_TOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        InvalidateRect(state.tooltip, nullptr, TRUE);
        UpdateWindow(state.tooltip);
    }
}

}  // namespace

void RefreshAfterCheck(HWND window, WPARAM fromClick) {
    MainWindowState& state = MainState();
    if (!state.scheduler)
        return;
    SettingsStore& settings = CharacterSettings();
    RefreshShownTooltip();
    const bool pending = state.scheduler->ContinuePass(state.settingsDialog != nullptr);

    RefreshInputs in;
    in.fromClick = fromClick != 0;
    in.mailState = state.mailState;
    in.mailHeld = state.mailHeld;
    in.tally = TallyAccounts(state.accounts());
    if (!in.fromClick && in.tally.errors == 0) {
        in.mailStateOnlyNew = ReadFlag(settings, kControlSection, "MailStateOnlyNew", kNo);
        if (in.mailStateOnlyNew && in.mailHeld) {
            in.keepStatusNextCheck =
                ReadFlag(settings, kControlSection, "KeepStatusNextCheck", kYes);
        }
    }
    const RefreshActions act = DecideRefresh(in);

    if (act.stopAnimationAndBlink) {
        KillTimer(window, kTimerAnimation);
        KillTimer(window, kTimerIconBlink);
    }
    if (act.tray != TrayChange::kNone) {
        state.tray.ShowMailIcon(window, CurrentSkinModule(), act.tray == TrayChange::kNewMail);
    }
    if (act.leftNonIdle) {
        state.lastNewMailAccount = -1;
        if (RaisesForMail(settings))
            SetTopmost(window, false);
    }
    if (act.stopBlink)
        KillTimer(window, kTimerIconBlink);
    if (act.enteredNewMail)
        EnterNewMail(window, settings);
    if (act.clearFace)
        state.face = kFaceNone;
    state.mailHeld = act.mailHeld;
    state.mailState = act.mailState;

    if (pending)
        return;
    state.scheduler->ClearPassRunning();
    // Mail announced by an IDLE watcher meanwhile: its check comes now, and
    // its own refresh shows the face.
    if (StartRequestedCheck())
        return;
    state.faceTimerArmed = true;
    FaceUpdate(window);
}

void FaceUpdate(HWND window) {
    MainWindowState& state = MainState();
    FaceUpdateInputs in;
    in.faceTimerArmed = state.faceTimerArmed;
    if (!in.faceTimerArmed)
        return;
    in.pointerInside = PointerInside(window);
    if (in.pointerInside) {
        in.faceCtrlInChecking =
            ReadFlag(CharacterSettings(), kControlSection, "FaceCtrlInChecking", kNo);
    }
    in.busy = state.busy();
    in.face = state.face;
    in.mailState = state.mailState;
    const FaceUpdateActions act = DecideFaceUpdate(in);
    if (act.stopFaceTimer) {
        KillTimer(window, kTimerFaceDelay);
        state.faceTimerArmed = false;
    }
    if (act.switchTo == kFaceNewMail)
        StartAnimation(window, CharacterSettings());
    if (act.switchTo != kFaceNone)
        SetFace(window, act.switchTo);
}

void AnimationTick(HWND window) {
    MainWindowState& state = MainState();
    if (state.face != kFaceNewMail) {
        KillTimer(window, kTimerAnimation);
        return;
    }
    state.animationPhase = !state.animationPhase;
    ApplyFrameRegion(window, FrameForFace(kFaceNewMail, state.animationPhase));
    InvalidateRect(window, nullptr, FALSE);
}

void OnHostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MainWindowState& state = MainState();
    switch (message) {
        case MSG_HOST_THINK:
            // Late word from a check that has been ended meanwhile: ignored.
            if (!state.scheduler || !state.scheduler->checkRunning())
                break;
            if (state.face != kFaceThinking)
                SetFace(window, kFaceThinking);
            state.mailState = kMailChecking;
            RefreshShownTooltip();
            break;
        case MSG_HOST_SETTIMER:
            SetTimer(window, wParam, static_cast<UINT>(lParam), nullptr);
            break;
        case MSG_HOST_KILLTIMER:
            KillTimer(window, wParam);
            break;
        case MSG_HOST_LASTNEWMAIL:
            state.lastNewMailAccount = static_cast<int>(lParam);
            break;
        case MSG_HOST_WORKERDONE:
            if (state.scheduler && RunIdParam(state.scheduler->currentRunId()) == lParam) {
                const std::size_t account = state.scheduler->currentAccount();
                state.scheduler->OnWorkerFinished(state.scheduler->currentRunId());
                OnAccountCheckEnded(account);
            }
            break;
        default:
            break;
    }
}

}  // namespace pell
