#pragma once
// Messages that carry the check worker's requests to the main window's thread,
// where its timers and its face live. Each is posted by the worker's host.
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

}  // namespace pell
