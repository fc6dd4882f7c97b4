#include "character/idle_supervisor.h"

#include <algorithm>

#include "character/check_retry.h"
#include "mail/mail_session.h"
#include "mail/status_codes.h"
#include "settings/settings_conventions.h"
#include "settings/timer_periods.h"

namespace pell {
namespace {

std::string SectionKey(const std::string& section) {
    std::string key = section;
    for (char& c : key) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return key;
}

bool IsSuccessfulCheck(int status) {
    return status == kStatusOk || status == kStatusNewMail;
}

// Reconnects come on the steps of the checks' network failures while they
// come before the account's own next check; after that a successful check
// starts the watcher again. An account without a check timer has nothing but
// its watcher, so it is reconnected for as long as it fails, at the latest
// every half hour.
std::optional<std::uint32_t> WatcherRetryDelaySeconds(int failures, int periodSeconds) {
    if (periodSeconds > 0)
        return RetryDelaySeconds(failures, periodSeconds);
    constexpr std::uint32_t kLongestSeconds = 30 * 60;
    const std::optional<std::uint32_t> step =
        RetryDelaySeconds(std::min(failures, 6), 2 * kLongestSeconds);
    return std::min(step.value_or(kLongestSeconds), kLongestSeconds);
}

}  // namespace

bool WantsIdleWatcher(SettingsStore& store, const std::string& section) {
    // Idle is read only for IMAP accounts, so POP3 sections stay without it.
    return ReadFlag(store, section, "Check", kYes) &&
           store.ReadInt(section, "Protocol", 0) == kProtocolImap &&
           ReadFlag(store, section, "Idle", kYes);
}

IdleSupervisor::Watch& IdleSupervisor::WatchOf(const std::string& section) {
    Watch& watch = watches_[SectionKey(section)];
    if (watch.section.empty())
        watch.section = section;
    return watch;
}

std::size_t IdleSupervisor::IndexOf(const AccountList& accounts, const Watch& watch) const {
    const std::string key = SectionKey(watch.section);
    for (std::size_t i = 0; i < accounts.size(); ++i) {
        if (SectionKey(accounts[i].name) == key)
            return i;
    }
    return accounts.size();
}

IdleSupervisor::Watch* IdleSupervisor::WatchOfLive(std::uint32_t id) {
    if (id == 0)
        return nullptr;
    for (auto& [section, watch] : watches_) {
        if (watch.live == id)
            return &watch;
    }
    return nullptr;
}

void IdleSupervisor::Start(const std::string& section, Watch& watch) {
    KillRetry(watch);
    if (watch.live != 0) {
        // One watcher per account: a new one waits for the old one's end.
        if (watch.stopping)
            watch.startWhenEnded = true;
        return;
    }
    watch.live = nextId_++;
    if (nextId_ == 0)
        nextId_ = 1;
    watch.stopping = false;
    watch.startWhenEnded = false;
    port_.StartWatcher(watch.live, section);
}

void IdleSupervisor::Stop(Watch& watch) {
    KillRetry(watch);
    watch.startWhenEnded = false;
    watch.checkRequested = false;
    if (watch.live != 0 && !watch.stopping) {
        watch.stopping = true;
        port_.StopWatcher(watch.live);
    }
}

void IdleSupervisor::KillRetry(Watch& watch) {
    if (watch.retryTimer != 0)
        port_.KillTimer(watch.retryTimer);
    watch.retryTimer = 0;
}

void IdleSupervisor::OnCheckEnded(const AccountList& accounts, std::size_t index, int status) {
    if (index >= accounts.size())
        return;
    const std::string& section = accounts[index].name;
    if (status == kStatusCheckOff) {
        auto found = watches_.find(SectionKey(section));
        if (found != watches_.end())
            Stop(found->second);
        return;
    }
    if (!IsSuccessfulCheck(status))
        return;
    Watch& watch = WatchOf(section);
    if (!WantsIdleWatcher(store_, section)) {
        Stop(watch);
        return;
    }
    if (watch.noIdle || (watch.live != 0 && !watch.stopping))
        return;
    Start(section, watch);
}

void IdleSupervisor::OnWatcherIdling(std::uint32_t id) {
    if (Watch* watch = WatchOfLive(id))
        watch->failures = 0;
}

void IdleSupervisor::OnWatcherNewMail(std::uint32_t id) {
    Watch* watch = WatchOfLive(id);
    if (watch && !watch->stopping)
        watch->checkRequested = true;
}

void IdleSupervisor::OnWatcherEnded(const AccountList& accounts, std::uint32_t id,
                                    const IdleResult& result) {
    Watch* watch = WatchOfLive(id);
    if (!watch)
        return;
    watch->live = 0;
    const std::size_t index = IndexOf(accounts, *watch);
    if (watch->stopping) {
        watch->stopping = false;
        const bool again = watch->startWhenEnded;
        watch->startWhenEnded = false;
        if (again && index < accounts.size())
            Start(watch->section, *watch);
        return;
    }
    switch (result.end) {
        case IdleEnd::kStopped:
            return;
        case IdleEnd::kNoIdle:
            watch->noIdle = true;
            return;
        case IdleEnd::kFailed:
            break;
    }
    if (watch->failures < 1000)
        ++watch->failures;
    if (index == accounts.size())
        return;
    const int period = store_.ReadInt(watch->section, "Timer", 0);
    if (const std::optional<std::uint32_t> delay =
            WatcherRetryDelaySeconds(watch->failures, period)) {
        watch->retryTimer = IdleRetryTimerId(index);
        port_.SetTimer(watch->retryTimer, TimerPeriodMs(static_cast<int>(*delay), 1000));
    }
}

void IdleSupervisor::OnRetryTimer(const AccountList& accounts, std::uint32_t timerId) {
    port_.KillTimer(timerId);
    if (!IsIdleRetryTimer(timerId))
        return;
    const std::size_t index = timerId - kFirstIdleRetryTimer;
    if (index >= accounts.size())
        return;
    const std::string& section = accounts[index].name;
    Watch& watch = WatchOf(section);
    if (watch.retryTimer != timerId)
        return;
    watch.retryTimer = 0;
    if (!watch.noIdle && WantsIdleWatcher(store_, section))
        Start(section, watch);
}

void IdleSupervisor::StopAll() {
    for (auto& [section, watch] : watches_) {
        if ((watch.live != 0 && !watch.stopping) || watch.retryTimer != 0)
            watch.wanted = true;
        Stop(watch);
    }
}

void IdleSupervisor::Restart(const AccountList& accounts) {
    // Accounts that are gone are forgotten once their watcher has ended.
    for (auto it = watches_.begin(); it != watches_.end();) {
        Watch& watch = it->second;
        if (IndexOf(accounts, watch) < accounts.size()) {
            ++it;
            continue;
        }
        Stop(watch);
        watch.wanted = false;
        if (watch.live != 0) {
            ++it;
        } else {
            it = watches_.erase(it);
        }
    }
    for (const AccountEntry& entry : accounts) {
        auto found = watches_.find(SectionKey(entry.name));
        if (found == watches_.end())
            continue;
        Watch& watch = found->second;
        watch.noIdle = false;
        watch.failures = 0;
        const bool wanted = watch.wanted;
        watch.wanted = false;
        if (wanted && WantsIdleWatcher(store_, entry.name))
            Start(entry.name, watch);
    }
}

std::optional<std::size_t> IdleSupervisor::TakeCheckRequest(const AccountList& accounts) {
    for (std::size_t i = 0; i < accounts.size(); ++i) {
        auto found = watches_.find(SectionKey(accounts[i].name));
        if (found != watches_.end() && found->second.checkRequested) {
            found->second.checkRequested = false;
            return i;
        }
    }
    return std::nullopt;
}

std::size_t IdleSupervisor::liveWatchers() const {
    std::size_t live = 0;
    for (const auto& [section, watch] : watches_) {
        if (watch.live != 0)
            ++live;
    }
    return live;
}

}  // namespace pell
