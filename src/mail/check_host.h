#pragma once
// The main window as the check worker sees it. The worker runs on its own
// thread; an implementation carries every request to the main window's thread
// (the Win32 one posts messages), since timers and window calls belong there.
// The do-nothing defaults let tests override only what they record.
#include <cstdint>
#include <memory>

#include "mail/new_mail_notice.h"

namespace pell {

class CheckHost {
  public:
    virtual ~CheckHost() = default;

    // Switch to the thinking face (unless shown) and set the mail state to 3.
    virtual void ShowThinkingFace() {}
    // Set or kill a timer of the main window (check timers 10 + i, watchdogs
    // 10000 + i, the message-box closer 2).
    virtual void SetTimer(std::uint32_t /*id*/, std::uint32_t /*milliseconds*/) {}
    virtual void KillTimer(std::uint32_t /*id*/) {}
    // The index of the account with the latest new mail.
    virtual void SetLastNewMailAccount(int /*index*/) {}
    // Clears the main window's check-running flag.
    virtual void ClearCheckRunning() {}
    // Hands a new-mail notice over (MSG_NEWMAIL); the host owns it from now on.
    virtual void PostNewMail(std::unique_ptr<NewMailNotice> /*notice*/) {}
    // The worker's last act (MSG_CHECKDONE with wParam 0).
    virtual void PostCheckDone() {}
};

}  // namespace pell
