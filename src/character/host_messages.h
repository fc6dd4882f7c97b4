#pragma once
// Messages that carry the check worker's requests to the main window's thread,
// where its timers and its face live. Each is posted by the worker's host.
// Also the events of the IDLE watchers' threads.
#include "character/window_messages.h"

namespace pell {

// Show the thinking face and set the mail state to checking.
inline constexpr unsigned MSG_HOST_THINK = kWmApp + 16;
// wParam timer id, lParam period in ms.
inline constexpr unsigned MSG_HOST_SETTIMER = kWmApp + 17;
// wParam timer id.
inline constexpr unsigned MSG_HOST_KILLTIMER = kWmApp + 18;
// lParam the account index of the latest new mail.
inline constexpr unsigned MSG_HOST_LASTNEWMAIL = kWmApp + 19;
// lParam the run id (low 32 bits): the worker cleared the check-running flag.
inline constexpr unsigned MSG_HOST_WORKERDONE = kWmApp + 20;

// Events of the IDLE watchers, each posted from the watcher's thread with
// lParam the watcher's id: the server accepted IDLE, mail may have arrived,
// the watcher has ended (its last message).
inline constexpr unsigned MSG_IDLE_IDLING = kWmApp + 21;
inline constexpr unsigned MSG_IDLE_NEWMAIL = kWmApp + 22;
inline constexpr unsigned MSG_IDLE_ENDED = kWmApp + 23;

}  // namespace pell
