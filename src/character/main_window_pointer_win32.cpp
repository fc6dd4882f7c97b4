// The pointer over the character: the pleased face, dragging, the tooltip
// timers, clicks and the double click that starts the mail program.
#include "character/context_menu_win32.h"
#include "character/hover_tracking_win32.h"
#include "character/main_window_handlers_win32.h"
#include "character/main_window_state_win32.h"
#include "character/menu_commands.h"
#include "character/skin_win32.h"
#include "notify/tooltip_window_win32.h"
#include "settings/settings_conventions.h"
#include "settings/timer_periods.h"

namespace pell {
namespace {

// Flags of the leave request: the value also names the polling timer (9).
constexpr DWORD kLeaveRequestFlags = 9;

void FocusSettingsDialog() {
    if (HWND dialog = MainState().settingsDialog)
        SetFocus(dialog);
}

void StopTooltipTimers(HWND window) {
    KillTimer(window, kTimerTooltipDelay);
    KillTimer(window, kTimerTooltipKill);
}

// Tenths of a second from the settings as a timer period; 0 ("at once")
// becomes the shortest period.
UINT Tenths(int value) {
    return TimerPeriodMs(value, 100);
}

ClockStamp SystemClockStamp() {
    SYSTEMTIME now{};
    GetSystemTime(&now);
    return ClockStamp{now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

// The character's side of its tooltip.
class MainTooltipOwner final : public TooltipOwner {
  public:
    void TooltipShown() override { MainState().tooltipShown = true; }
    void PointerOnTooltip(HWND tooltip) override {
        MainWindowState& state = MainState();
        if (state.tooltipShown) {
            state.tooltipShown = false;
            if (state.window)
                StopTooltipTimers(state.window);
            state.tooltipSuppressed = false;
        }
        if (state.tooltip == tooltip)
            state.tooltip = nullptr;
    }
};

MainTooltipOwner g_tooltipOwner;

}  // namespace

void CloseTooltip() {
    MainWindowState& state = MainState();
    if (state.tooltip)
        DestroyWindow(state.tooltip);
    state.tooltip = nullptr;
    state.tooltipShown = false;
    state.tooltipSuppressed = false;
    if (state.window)
        StopTooltipTimers(state.window);
}

void CloseShownTooltip() {
    if (MainState().tooltipShown)
        CloseTooltip();
}

void OnMouseMove(HWND window, WPARAM keys) {
    MainWindowState& state = MainState();
    SettingsStore& settings = CharacterSettings();
    if (!state.leaveTrackingArmed) {
        LeaveRequest request{sizeof(LeaveRequest), kLeaveRequestFlags, window, 0};
        state.leaveTrackingArmed = TrackMouseLeave(&request) != 0;
    }
    POINT pointer{};
    GetCursorPos(&pointer);
    if (keys == MK_LBUTTON) {
        CloseShownTooltip();
        InvalidateRect(window, nullptr, FALSE);
        UpdateWindow(window);
        // The platform moves the window with the pointer until the button is
        // released; every move is saved on the way.
        SendMessageA(window, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(pointer.x, pointer.y));
        return;
    }
    if (state.faceTimerArmed) {
        KillTimer(window, kTimerFaceDelay);
        state.faceTimerArmed = false;
    }
    if (!IsPointerOutside(window)) {
        const bool faceCtrl = ReadFlag(settings, kControlSection, "FaceCtrlInChecking", kNo);
        if (MayShowPleasedFace(faceCtrl, state.busy()) && state.face != kFacePleased) {
            SetFace(window, kFacePleased);
        }
    }
    if (!state.tooltipSuppressed &&
        (pointer.x != state.lastPointer.x || pointer.y != state.lastPointer.y)) {
        const int delay = ReadRepairingNumber(settings, kControlSection, "ToolTipDelay", 10);
        SetTimer(window, kTimerTooltipDelay, Tenths(delay), nullptr);
    }
    state.lastPointer = pointer;
}

void OnPointerLeft(HWND window) {
    MainWindowState& state = MainState();
    state.leaveTrackingArmed = false;
    if (state.inMenu)
        return;
    if (state.tooltipShown)
        CloseTooltip();
    state.tooltipSuppressed = false;
    if (state.faceTimerArmed)
        return;
    const int delay = ReadRepairingNumber(CharacterSettings(), kControlSection, "FaceDelay", 8);
    SetTimer(window, kTimerFaceDelay, Tenths(delay), nullptr);
    state.faceTimerArmed = true;
}

void OnTooltipDelay(HWND window) {
    MainWindowState& state = MainState();
    if (!state.scheduler || state.accounts().empty()) {
        KillTimer(window, kTimerTooltipDelay);
        return;
    }
    if (state.tooltipShown) {
        if (!IsPointerOutside(window))
            CloseTooltip();
    } else {
        POINT pointer{};
        GetCursorPos(&pointer);
        if (pointer.x == state.lastPointer.x && pointer.y == state.lastPointer.y) {
            if (state.tooltip)
                DestroyWindow(state.tooltip);
            state.tooltip = nullptr;
            state.tooltip = OpenTooltip(pointer, state.scheduler->accounts(), CharacterSettings(),
                                        g_tooltipOwner);
        }
    }
    StopTooltipTimers(window);
    const int kill =
        ReadRepairingNumber(CharacterSettings(), kControlSection, "ToolTipKillDelay", 100);
    // The time-out has work only when a tooltip is open.
    if (kill > 0 && state.tooltip)
        SetTimer(window, kTimerTooltipKill, Tenths(kill), nullptr);
}

void OnTooltipTimeout(HWND window) {
    MainWindowState& state = MainState();
    state.tooltipShown = false;
    KillTimer(window, kTimerTooltipKill);
    if (state.tooltip) {
        DestroyWindow(state.tooltip);
        state.tooltip = nullptr;
        StopTooltipTimers(window);
        state.tooltipSuppressed = true;
    }
}

void OnLeftButtonDown(HWND window) {
    MainWindowState& state = MainState();
    if (state.mailHeld && ReadFlag(CharacterSettings(), kControlSection, "MailStateOnlyNew", kNo)) {
        state.mailHeld = false;
        PostMessageA(window, MSG_CHECKDONE, 1, 0);
    }
    FocusSettingsDialog();
}

void OnLeftButtonUp(HWND window) {
    MainWindowState& state = MainState();
    const ClockStamp now = SystemClockStamp();
    const ClickActions act = DecideClick(now, state.lastClick, state.lastNewMailAccount);
    if (act.launchAccount >= 0) {
        SendMessageA(window, WM_COMMAND, kCommandFirstAccount + act.launchAccount, 0);
        return;
    }
    if (act.recordAsLast)
        state.lastClick = now;
    FocusSettingsDialog();
}

void OnRightButtonDown(HWND window) {
    MainWindowState& state = MainState();
    CloseTooltip();
    if (state.settingsDialog) {
        SetFocus(state.settingsDialog);
        return;
    }
    if (state.scheduler)
        OpenContextMenu(window, state.accounts(), false, state.tray.present());
}

}  // namespace pell
