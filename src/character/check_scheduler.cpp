#include "character/check_scheduler.h"

#include <algorithm>
#include <optional>

#include "character/check_retry.h"
#include "mail/status_codes.h"
#include "settings/settings_conventions.h"
#include "settings/timer_periods.h"
#include "startup/text_search.h"

namespace pell {
namespace {

// The platform's largest timer period (USER_TIMER_MAXIMUM).
constexpr std::int64_t kMaxTimerPeriod = 0x7FFFFFFF;
// The check period of an account without a Timer key, as the worker reads it.
constexpr int kDefaultCheckPeriodSeconds = 300;

std::string UpperName(const std::string& name) {
    std::string upper = name;
    for (char& c : upper)
        c = AsciiUpper(c);
    return upper;
}

bool CheckEnabled(SettingsStore& store, const AccountEntry& entry) {
    return ReadFlag(store, entry.name, "Check", kYes);
}

// The account's period of automatic checks in seconds (0: none).
int CheckPeriod(SettingsStore& store, const AccountEntry& entry) {
    return store.ReadInt(entry.name, "Timer", 0);
}

}  // namespace

std::uint32_t SecondsToTimerPeriod(std::int64_t seconds) {
    if (seconds <= 0)
        return 0;
    if (seconds > kMaxTimerPeriod / 1000)
        return static_cast<std::uint32_t>(kMaxTimerPeriod);
    return static_cast<std::uint32_t>(seconds * 1000);
}

bool WatchdogApplies(int timeoutSeconds) {
    return timeoutSeconds > 0 && timeoutSeconds < 4294967;
}

void CarryOverAccountData(const AccountList& old, AccountList& fresh) {
    for (AccountEntry& entry : fresh)
        entry.messageCount = -1;
    for (const AccountEntry& before : old) {
        for (AccountEntry& entry : fresh) {
            if (EqualsNoCase(before.name, entry.name)) {
                entry.messageCount = before.messageCount.load();
                entry.mailboxSize = before.mailboxSize.load();
                entry.loginDelaySeconds = before.loginDelaySeconds.load();
                break;
            }
        }
    }
    for (AccountEntry& entry : fresh) {
        entry.status = kStatusNotChecked;
        if (entry.messageCount.load() == -1) {
            entry.messageCount = 0;
            entry.mailboxSize = 0;
        }
    }
}

void CheckScheduler::SetAccounts(std::shared_ptr<AccountList> accounts) {
    accounts_ = std::move(accounts);
    networkFailures_.assign(accounts_->size(), 0);
}

void CheckScheduler::ArmAccountTimers() {
    AccountList& list = *accounts_;
    for (std::size_t i = 0; i < list.size(); ++i) {
        AccountEntry& entry = list[i];
        if (!CheckEnabled(store_, entry)) {
            entry.status = kStatusCheckOff;
            continue;
        }
        entry.timerId = CheckTimerId(i);
        if (CheckPeriod(store_, entry) != 0) {
            const int offset = store_.ReadInt(entry.name, "OffsetTimer", 1);
            port_.SetTimer(CheckTimerId(i), TimerPeriodMs(offset, 1000));
        }
    }
}

void CheckScheduler::OnCheckTimer(std::uint32_t id, bool settingsDialogOpen) {
    // Right after a resume the network is not back yet: the pass that ends
    // the wait checks every account.
    if (checkRunning_ || settingsDialogOpen || waitingForNetwork_)
        return;
    AccountList& list = *accounts_;
    std::size_t index = list.size();
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].timerId.load() == id) {
            index = i;
            break;
        }
    }
    // A worker for no account (or a busy one) would end without a word and
    // leave the check-running flag set for good: start none.
    if (index == list.size() || list[index].busy.load())
        return;
    AccountEntry& entry = list[index];
    // The server allows a login only every so many seconds (LOGIN-DELAY): a
    // timer that comes sooner waits for the rest of it. A pass has left such
    // accounts out already.
    if (!passRunning_) {
        if (const std::uint64_t left = LoginDelayLeft(entry)) {
            port_.SetTimer(id, static_cast<std::uint32_t>(left));
            return;
        }
    }
    lastStartMs_[UpperName(entry.name)] = port_.NowMs();

    current_ = std::make_shared<CheckRun>(nextRunId_++);
    checkRunning_ = true;
    currentIndex_ = index;
    currentPass_ = passRunning_;
    // The status and the watchdog are set before the worker starts, so that the
    // worker's own status cannot be overwritten by -3.
    entry.worker = current_->id();
    entry.status = kStatusChecking;
    const int timeout = store_.ReadInt(entry.name, "TimeOut", 180);
    if (WatchdogApplies(timeout))
        port_.SetTimer(WatchdogTimerId(index), SecondsToTimerPeriod(timeout));

    CheckStartBlock block;
    block.timerId = id;
    block.accounts = accounts_;
    block.passRunning = passRunning_;
    block.run = current_;
    port_.StartWorker(std::move(block));
}

std::uint64_t CheckScheduler::LoginDelayLeft(const AccountEntry& entry) {
    const int delay = entry.loginDelaySeconds.load();
    if (delay <= 0)
        return 0;
    auto last = lastStartMs_.find(UpperName(entry.name));
    if (last == lastStartMs_.end())
        return 0;
    const std::uint64_t elapsed = port_.NowMs() - last->second;
    const std::uint64_t wanted = static_cast<std::uint64_t>(delay) * 1000;
    return elapsed < wanted ? wanted - elapsed : 0;
}

void CheckScheduler::EndRunOf(AccountEntry& entry, std::size_t index) {
    entry.busy = false;
    entry.worker = 0;
    port_.KillTimer(CheckTimerId(index));
    port_.KillTimer(WatchdogTimerId(index));
}

void CheckScheduler::OnWatchdog(std::uint32_t id) {
    port_.KillTimer(id);
    if (id < kFirstWatchdogTimer)
        return;
    const std::size_t index = id - kFirstWatchdogTimer;
    AccountList& list = *accounts_;
    if (index >= list.size())
        return;
    AccountEntry& entry = list[index];
    if (!current_ || entry.worker.load() != current_->id())
        return;
    // A worker that has already committed its results posts its own check-done.
    if (!current_->Abandon())
        return;
    EndRunOf(entry, index);
    entry.status = kStatusTimeOut;
    // A server that hung once is tried again after the account's period, as
    // after any other failed check: a timer left stopped would leave the
    // account unchecked until the program starts again.
    const int period = store_.ReadInt(entry.name, "Timer", kDefaultCheckPeriodSeconds);
    if (period > 0)
        port_.SetTimer(CheckTimerId(index), SecondsToTimerPeriod(period));
    current_.reset();
    checkRunning_ = false;
    port_.PostCheckDone();
}

void CheckScheduler::OnWorkerFinished(std::uint64_t runId) {
    if (!current_ || current_->id() != runId)
        return;
    current_.reset();
    checkRunning_ = false;
    RetryAfterNetworkFailure(currentIndex_, currentPass_);
}

void CheckScheduler::RetryAfterNetworkFailure(std::size_t index, bool pass) {
    AccountList& list = *accounts_;
    if (index >= list.size() || index >= networkFailures_.size())
        return;
    AccountEntry& entry = list[index];
    int& failures = networkFailures_[index];
    const int period = CheckPeriod(store_, entry);
    if (!IsNetworkFailure(entry.status.load())) {
        // A pass leaves the check timer alone: one that a retry had set
        // gives way to the period again.
        if (failures > 0 && pass && period > 0)
            port_.SetTimer(CheckTimerId(index), TimerPeriodMs(period, 1000));
        failures = 0;
        return;
    }
    if (failures < 1000)
        ++failures;
    // The check timer now fires for the retry; the check it starts re-arms it
    // with the period as every timer-driven check does.
    if (const std::optional<std::uint32_t> delay = RetryDelaySeconds(failures, period))
        port_.SetTimer(CheckTimerId(index), TimerPeriodMs(*delay, 1000));
}

void CheckScheduler::CheckNow(bool settingsDialogOpen) {
    if (passRunning_)
        return;
    // A pass asked for during the wait after a resume takes its place.
    if (waitingForNetwork_) {
        waitingForNetwork_ = false;
        port_.KillTimer(kTimerNetworkWait);
    }
    passRunning_ = true;
    AccountList& list = *accounts_;
    std::size_t last = list.size();
    for (std::size_t i = 0; i < list.size(); ++i) {
        AccountEntry& entry = list[i];
        if (CheckEnabled(store_, entry) && LoginDelayLeft(entry) > 0) {
            // Its server allows no login yet: this pass leaves it as it is.
            continue;
        }
        if (CheckEnabled(store_, entry)) {
            entry.status = kStatusChecking;
            // The pass finds the account by its timer id even when it was
            // switched on after the timers were armed.
            if (entry.timerId.load() == 0)
                entry.timerId = CheckTimerId(i);
            last = i;
        } else {
            entry.status = kStatusCheckOff;
        }
    }
    if (last == list.size()) {
        // Nothing to check: no refresh would ever end this pass.
        passRunning_ = false;
        return;
    }
    OnCheckTimer(CheckTimerId(last), settingsDialogOpen);
}

bool CheckScheduler::ContinuePass(bool settingsDialogOpen) {
    AccountList& list = *accounts_;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].status.load() != kStatusChecking)
            continue;
        if (passRunning_)
            OnCheckTimer(list[i].timerId.load(), settingsDialogOpen);
        return true;
    }
    return false;
}

void CheckScheduler::StopRunningChecks() {
    AccountList& list = *accounts_;
    if (current_) {
        current_->Abandon();
        // Also a run that has already committed its results: the dialog that
        // opens next may delete its account.
        current_->StopWrites();
    }
    for (std::size_t i = 0; i < list.size(); ++i) {
        AccountEntry& entry = list[i];
        const bool ownsRun = current_ && entry.worker.load() == current_->id();
        if (!entry.busy.load() && !ownsRun)
            continue;
        EndRunOf(entry, i);
        entry.status = kStatusNotChecked;
    }
    current_.reset();
    checkRunning_ = false;
    // Accounts left waiting would keep a pass alive that nothing continues.
    passRunning_ = false;
    for (AccountEntry& entry : list) {
        if (entry.status.load() == kStatusChecking)
            entry.status = kStatusNotChecked;
    }
}

void CheckScheduler::Reload(std::shared_ptr<AccountList> fresh) {
    if (!fresh)
        fresh = std::make_shared<AccountList>();
    CarryOverAccountData(*accounts_, *fresh);
    const AccountList& old = *accounts_;
    for (std::size_t i = 0; i < old.size(); ++i) {
        if (old[i].timerId.load() != 0)
            port_.KillTimer(old[i].timerId.load());
    }
    SetAccounts(std::move(fresh));
    ArmAccountTimers();
}

void CheckScheduler::OnSuspend() {
    if (waitingForNetwork_)
        port_.KillTimer(kTimerNetworkWait);
    waitingForNetwork_ = false;
    resumeHandled_ = false;
    AccountList& list = *accounts_;
    // A worker that has committed already ends by itself and posts its own
    // check-done; any other is abandoned here.
    const bool abandoned = current_ && current_->Abandon();
    if (abandoned) {
        for (std::size_t i = 0; i < list.size(); ++i) {
            AccountEntry& entry = list[i];
            if (entry.worker.load() != current_->id())
                continue;
            entry.busy = false;
            entry.worker = 0;
            entry.status = kStatusNotChecked;
            port_.KillTimer(WatchdogTimerId(i));
        }
        current_.reset();
        checkRunning_ = false;
    }
    passRunning_ = false;
    for (AccountEntry& entry : list) {
        if (entry.status.load() == kStatusChecking)
            entry.status = kStatusNotChecked;
    }
    if (abandoned)
        port_.PostCheckDone();
}

void CheckScheduler::OnResume(bool automatic) {
    if (!automatic && resumeHandled_)
        return;
    resumeHandled_ = true;
    waitingForNetwork_ = true;
    port_.SetTimer(kTimerNetworkWait, kNetworkWaitMs);
}

void CheckScheduler::OnNetworkWaitOver(bool settingsDialogOpen) {
    port_.KillTimer(kTimerNetworkWait);
    if (!waitingForNetwork_)
        return;
    waitingForNetwork_ = false;
    std::fill(networkFailures_.begin(), networkFailures_.end(), 0);
    // Every account is checked now (also one whose timer-driven check was
    // abandoned at the suspend, which left its timer stopped): the next
    // automatic check comes one period later.
    AccountList& list = *accounts_;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const int period = CheckPeriod(store_, list[i]);
        if (list[i].timerId.load() != 0 && period > 0 && CheckEnabled(store_, list[i]))
            port_.SetTimer(CheckTimerId(i), TimerPeriodMs(period, 1000));
    }
    CheckNow(settingsDialogOpen);
}

}  // namespace pell
