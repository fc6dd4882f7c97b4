#pragma once
// Private messages and timer ids of the main character window. 294 stays as
// it is because a second instance of any version hands its skin over with it;
// the others live in the application range (WM_APP = 0x8000 and up), since
// 295/296 would collide with WM_CHANGEUISTATE/WM_UPDATEUISTATE.
#include <cstdint>

namespace pell {

inline constexpr unsigned kWmApp = 0x8000;

inline constexpr unsigned MSG_SKINCHANGE = 294;
inline constexpr unsigned MSG_CHECKDONE = kWmApp + 1;
inline constexpr unsigned MSG_NEWMAIL = kWmApp + 2;
inline constexpr unsigned MSG_SETTINGSCHANGED = kWmApp + 4;
inline constexpr unsigned MSG_TRAYNOTIFY = kWmApp + 5;
// Posted by leave tracking and after the context menu.
inline constexpr unsigned MSG_MOUSELEAVE = 1026;
// The fixed number on which the tray icon is added again; the registered
// "TaskbarCreated" message is handled the same way.
inline constexpr unsigned MSG_TRAYREADD = 49314;

inline constexpr char kMainWindowClass[] = "Pell32WClass";
inline constexpr char kMainWindowTitle[] = "Pell32 VESK";
inline constexpr char kListWindowClass[] = "Pell32MClass";
inline constexpr char kViewerWindowClass[] = "Pell32BClass";
inline constexpr char kTooltipWindowClass[] = "Pell32TClass";

// Timer ids of the main window.
enum MainTimer : std::uint32_t {
    kTimerFaceDelay = 1,
    kTimerMessageBoxCloser = 2,
    kTimerTooltipDelay = 3,
    kTimerTooltipKill = 4,
    kTimerAnimation = 5,
    kTimerIconBlink = 6,
    kTimerRaiseAgain = 7,
    kTimerNetworkWait = 8,  // after a resume from sleep: the network gets a moment
    kTimerLeavePolling = 9,
};
inline constexpr std::uint32_t kFirstCheckTimer = 10;
inline constexpr std::uint32_t kFirstWatchdogTimer = 10000;
// Beyond the account timers (at most 9990 accounts): a notice waits while the
// user is busy.
inline constexpr std::uint32_t kTimerQuietWait = 20000;
// 30000 + i: the IDLE watcher of account i connects again after a failure.
inline constexpr std::uint32_t kFirstIdleRetryTimer = 30000;

}  // namespace pell
