#pragma once
// Decisions about the notification-area icon that do not need the platform:
// which picture to show and what a mouse message on the icon does.
namespace pell {

// Icon resources: the program's own icon, no new mail, new mail.
inline constexpr int kIconProgram = 200;
inline constexpr int kIconIdle = 201;
inline constexpr int kIconNewMail = 202;
// The icon's id within the owner window.
inline constexpr unsigned kTrayIconId = 1;

// Mouse messages the icon reports (WM_LBUTTONDBLCLK, WM_RBUTTONUP).
inline constexpr unsigned kTrayDoubleClick = 515;
inline constexpr unsigned kTrayRightButtonUp = 517;

inline int MailIconId(bool newMail) {
    return newMail ? kIconNewMail : kIconIdle;
}

enum class TrayNotifyAction { kNothing, kCommand, kOpenMenu };

struct TrayNotifyDecision {
    TrayNotifyAction action = TrayNotifyAction::kNothing;
    unsigned command = 0;  // for kCommand
};

// A double click checks now when TrayDblClickAct is on, else opens the
// settings; a right button release opens the menu; anything else does nothing.
TrayNotifyDecision DecideTrayNotify(unsigned mouseMessage, bool doubleClickChecksNow);

enum class TraySkinStep { kModify, kAdd, kDelete };

// After a skin change the icon follows TaskTray: modified when shown, added when
// not, deleted when TaskTray is off.
TraySkinStep DecideSkinChangeStep(bool taskTrayOn, bool present);

}  // namespace pell
