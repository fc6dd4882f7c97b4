#include "character/check_scheduler.h"

#include "mail/status_codes.h"
#include "settings/settings_conventions.h"
#include "startup/text_search.h"

namespace pell {
namespace {

// The platform's largest timer period (USER_TIMER_MAXIMUM).
constexpr std::int64_t kMaxTimerPeriod = 0x7FFFFFFF;

bool CheckEnabled(SettingsStore& store, const AccountEntry& entry) {
    return ReadFlag(store, entry.name, "Check", kYes);
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

void CheckScheduler::ArmAccountTimers() {
    AccountList& list = *accounts_;
    for (std::size_t i = 0; i < list.size(); ++i) {
        AccountEntry& entry = list[i];
        if (!CheckEnabled(store_, entry)) {
            entry.status = kStatusCheckOff;
            continue;
        }
        entry.timerId = CheckTimerId(i);
        if (store_.ReadInt(entry.name, "Timer", 0) != 0) {
            const int offset = store_.ReadInt(entry.name, "OffsetTimer", 1);
            port_.SetTimer(CheckTimerId(i), SecondsToTimerPeriod(offset));
        }
    }
}

void CheckScheduler::OnCheckTimer(std::uint32_t id, bool settingsDialogOpen) {
    if (checkRunning_ || settingsDialogOpen)
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

    current_ = std::make_shared<CheckRun>(nextRunId_++);
    checkRunning_ = true;
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
    current_.reset();
    checkRunning_ = false;
    port_.PostCheckDone();
}

void CheckScheduler::OnWorkerFinished(std::uint64_t runId) {
    if (!current_ || current_->id() != runId)
        return;
    current_.reset();
    checkRunning_ = false;
}

void CheckScheduler::CheckNow(bool settingsDialogOpen) {
    if (passRunning_)
        return;
    passRunning_ = true;
    AccountList& list = *accounts_;
    std::size_t last = list.size();
    for (std::size_t i = 0; i < list.size(); ++i) {
        AccountEntry& entry = list[i];
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
    accounts_ = std::move(fresh);
    ArmAccountTimers();
}

}  // namespace pell
