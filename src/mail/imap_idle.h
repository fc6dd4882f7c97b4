#pragma once
// Push notice for an IMAP account: one connection that logs in as a check
// would, opens the account's folder read-only and waits in IDLE (RFC 2177),
// renewing the IDLE at most every 9 minutes, until its owner stops it. The
// call blocks; it runs on a thread of its own, never on the check worker.
// Reconnecting after a failure is the owner's business (it knows the timers).
#include <functional>
#include <mutex>
#include <string>

#include "mail/imap_mailbox.h"
#include "mail/socket_channel.h"

namespace pell {

class SettingsStore;

// The account's IMAP settings (ImapAccount, in mail/imap_mailbox.h), with
// the password unscrambled and the folder's stored marks.
ImapAccount ReadImapAccount(SettingsStore& settings, const std::string& section);

// Shared by the idle thread and its owner: Stop may be called from any thread
// at any time and makes a blocking receive of the idle thread return at once.
class IdleControl {
  public:
    void Stop() {
        std::function<void()> hook;
        {
            std::lock_guard<std::mutex> guard(lock_);
            stopped_ = true;
            hook = hook_;
        }
        if (hook)
            hook();
    }
    bool stopped() const {
        std::lock_guard<std::mutex> guard(lock_);
        return stopped_;
    }
    // Idle thread: how to unblock it (set while a socket is open). Runs at
    // once when the control is already stopped.
    void SetCancelHook(std::function<void()> hook) {
        bool run = false;
        {
            std::lock_guard<std::mutex> guard(lock_);
            hook_ = hook;
            run = stopped_;
        }
        if (hook && run)
            hook();
    }
    void ClearCancelHook() {
        std::lock_guard<std::mutex> guard(lock_);
        hook_ = nullptr;
    }

  private:
    mutable std::mutex lock_;
    bool stopped_ = false;
    std::function<void()> hook_;
};

enum class IdleEnd {
    kStopped,  // the owner stopped it
    kNoIdle,   // the server does not announce IDLE: no push for this account
    kFailed,   // connection, login or protocol failure: try again later
};

struct IdleResult {
    IdleEnd end = IdleEnd::kFailed;
    int status = 0;  // for kFailed: the status code of the failing step
};

struct IdleHooks {
    // Called on the idle thread when an untagged EXISTS or RECENT says that
    // mail may have arrived; the owner runs the account's check.
    std::function<void()> onNewMail;
    // Called on the idle thread each time the server accepted IDLE.
    std::function<void()> onIdling;
    // How long one IDLE lasts before it is renewed (DONE, IDLE): below the
    // 10 minutes after which some large providers drop a quiet connection.
    int renewSeconds = 9 * 60;
    // The shortest time between two notices: mail arriving sooner is told
    // when it has passed, so a server that keeps saying EXISTS cannot keep
    // the account's check running back to back. The first notice is never
    // held back.
    int announceGapSeconds = 5;
};

// When the folder's UIDNEXT has moved past the stored mark since the last
// check, onNewMail is called once right after the folder is opened.
IdleResult RunImapIdle(Network& network, const ImapAccount& account, IdleControl& control,
                       const IdleHooks& hooks);

}  // namespace pell
