#pragma once
// Which IMAP accounts keep a connection waiting in IDLE, so that new mail is
// announced the moment it arrives. An account gets one watcher (never two)
// when it is enabled, reads IMAP, has Idle on and has just been checked
// successfully. A server that does not offer IDLE is not asked again until
// the settings change. A watcher that fails is reconnected on the retry
// steps of the checks' network failures (for ever, at the latest every half
// hour, when the account has no check timer); everything stops before a suspend,
// the settings dialog and the exit. The account's check timer keeps running
// beside it. The platform side (threads, timers) is behind IdlePort.
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "character/window_messages.h"
#include "mail/imap_idle.h"
#include "settings/account_list.h"
#include "settings/settings_store.h"

namespace pell {

class IdlePort {
  public:
    virtual ~IdlePort() = default;
    // Starts watcher `id` for the account in `section`; its events come back
    // with that id, the last one being its end.
    virtual void StartWatcher(std::uint32_t id, const std::string& section) = 0;
    // Asks a watcher to end; its end is still reported.
    virtual void StopWatcher(std::uint32_t id) = 0;
    virtual void SetTimer(std::uint32_t id, std::uint32_t milliseconds) = 0;
    virtual void KillTimer(std::uint32_t id) = 0;
};

// The reconnect timer of account i.
inline std::uint32_t IdleRetryTimerId(std::size_t index) {
    return kFirstIdleRetryTimer + static_cast<std::uint32_t>(index);
}
inline bool IsIdleRetryTimer(std::uint64_t id) {
    return id >= kFirstIdleRetryTimer && id < kFirstIdleRetryTimer + kMaxAccounts;
}

// Enabled (Check), IMAP (Protocol 1) and Idle on. Flags missing from an IMAP
// account get their defaults written, as every reader of a flag does.
bool WantsIdleWatcher(SettingsStore& store, const std::string& section);

class IdleSupervisor {
  public:
    IdleSupervisor(IdlePort& port, SettingsStore& store) : port_(port), store_(store) {}

    // A check of account `index` ended with `status`: a successful one starts
    // the account's watcher; one that found the account switched off stops it.
    void OnCheckEnded(const AccountList& accounts, std::size_t index, int status);

    // Events of watcher `id`, in the order the watcher sent them.
    void OnWatcherIdling(std::uint32_t id);
    void OnWatcherNewMail(std::uint32_t id);
    void OnWatcherEnded(const AccountList& accounts, std::uint32_t id, const IdleResult& result);

    // A reconnect timer fired.
    void OnRetryTimer(const AccountList& accounts, std::uint32_t timerId);

    // Before a suspend, the settings dialog or the exit: every watcher is
    // asked to end and no reconnect is left waiting.
    void StopAll();

    // After the settings dialog, with the new list: servers without IDLE are
    // asked again, and accounts that were watched before StopAll start again
    // at once when they still want a watcher. Others start after their next
    // successful check.
    void Restart(const AccountList& accounts);

    // An account whose watcher saw mail arrive, first in list order; each
    // request is handed out once.
    std::optional<std::size_t> TakeCheckRequest(const AccountList& accounts);

    // Watchers started and not yet ended (also those asked to stop).
    std::size_t liveWatchers() const;

  private:
    struct Watch {
        std::string section;
        std::uint32_t live = 0;  // the watcher that runs (or is ending), 0 none
        bool stopping = false;   // `live` was asked to end
        bool startWhenEnded = false;
        std::uint32_t retryTimer = 0;  // a reconnect is waiting on this timer
        bool noIdle = false;           // the server does not offer IDLE
        bool wanted = false;           // was watched when everything stopped
        bool checkRequested = false;
        int failures = 0;  // failed watchers in a row
    };

    Watch& WatchOf(const std::string& section);
    Watch* WatchOfLive(std::uint32_t id);
    std::size_t IndexOf(const AccountList& accounts, const Watch& watch) const;
    void Start(const std::string& section, Watch& watch);
    void Stop(Watch& watch);
    void KillRetry(Watch& watch);

    IdlePort& port_;
    SettingsStore& store_;
    // By section name in upper case: the file does not tell cases apart.
    std::map<std::string, Watch> watches_;
    std::uint32_t nextId_ = 1;
};

}  // namespace pell
