#pragma once
// When each account is checked: one check timer per enabled account, one check
// at a time on a worker, a watchdog per running check, the check-all pass, the
// stop before the settings dialog and the reload after it. The platform side
// (timers, the worker thread, the check-done message) is behind SchedulerPort.
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "character/window_messages.h"
#include "mail/check_worker.h"
#include "settings/account_list.h"
#include "settings/settings_store.h"

namespace pell {

class SchedulerPort {
  public:
    virtual ~SchedulerPort() = default;
    virtual void SetTimer(std::uint32_t id, std::uint32_t milliseconds) = 0;
    virtual void KillTimer(std::uint32_t id) = 0;
    // Starts the worker; the port adds the main window's side of the block.
    virtual void StartWorker(CheckStartBlock block) = 0;
    // MSG_CHECKDONE with wParam 0, posted to the main window.
    virtual void PostCheckDone() = 0;
    // A clock that only goes forward, in milliseconds.
    virtual std::uint64_t NowMs() {
        return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                              std::chrono::steady_clock::now().time_since_epoch())
                                              .count());
    }
};

// Check timer and watchdog ids of account i.
inline std::uint32_t CheckTimerId(std::size_t index) {
    return kFirstCheckTimer + static_cast<std::uint32_t>(index);
}
inline std::uint32_t WatchdogTimerId(std::size_t index) {
    return kFirstWatchdogTimer + static_cast<std::uint32_t>(index);
}

// Seconds from the settings as a timer period: negative counts as 0, and the
// product stays within the platform's largest period.
std::uint32_t SecondsToTimerPeriod(std::int64_t seconds);

// A watchdog runs only for 0 < TimeOut < 4294967 seconds.
bool WatchdogApplies(int timeoutSeconds);

// Carries message count and mailbox size from the old list to the entries of
// the same section name (ASCII case ignored) in the fresh one; all other
// entries start at count 0, size 0, status -1.
void CarryOverAccountData(const AccountList& old, AccountList& fresh);

class CheckScheduler {
  public:
    CheckScheduler(SchedulerPort& port, SettingsStore& store) : port_(port), store_(store) {}

    const std::shared_ptr<AccountList>& accounts() const { return accounts_; }
    void SetAccounts(std::shared_ptr<AccountList> accounts);

    bool checkRunning() const { return checkRunning_; }
    bool passRunning() const { return passRunning_; }
    void ClearPassRunning() { passRunning_ = false; }
    // The id of the check on its way (0 when none).
    std::uint64_t currentRunId() const { return current_ ? current_->id() : 0; }
    // The account of that check.
    std::size_t currentAccount() const { return currentIndex_; }

    // Gives enabled accounts their timer ids and starts their first checks;
    // disabled accounts get status -8.
    void ArmAccountTimers();

    // A check timer (10 <= id < 10000) fired, or a pass reached its account.
    void OnCheckTimer(std::uint32_t id, bool settingsDialogOpen);

    // A watchdog (id >= 10000) expired: abandon the check, status 15, stop the
    // account's timers and post the one check-done of the run.
    void OnWatchdog(std::uint32_t id);

    // The worker of run `runId` cleared the check-running flag (its last acts).
    // A check that failed for a reason of the network is tried again soon.
    void OnWorkerFinished(std::uint64_t runId);

    // Command 297: check every enabled account, the last one first.
    void CheckNow(bool settingsDialogOpen);

    // First step of the refresh: true when an account still waits (status -3);
    // during a pass the first waiting account is started.
    bool ContinuePass(bool settingsDialogOpen);

    // Before the settings dialog opens: end every running check without a
    // check-done message.
    void StopRunningChecks();

    // After the settings dialog: the fresh list replaces the current one with
    // counts carried over, old timers stop and the new ones are armed.
    void Reload(std::shared_ptr<AccountList> fresh);

    // The machine goes to sleep: the running check is abandoned (its socket
    // would be dead on waking) and the refresh shows the state without it.
    void OnSuspend();
    // The machine woke up. Check timers wait a moment for the network, then
    // one check-all pass runs (OnNetworkWaitOver on timer 8). `automatic` is
    // the wake-up notice that always comes; the notice of a user's return
    // counts only when it is the first since the suspend.
    void OnResume(bool automatic);
    void OnNetworkWaitOver(bool settingsDialogOpen);
    bool waitingForNetwork() const { return waitingForNetwork_; }

  private:
    void EndRunOf(AccountEntry& entry, std::size_t index);
    // Milliseconds until the server's LOGIN-DELAY allows the account's next
    // login; 0 when it may log in now.
    std::uint64_t LoginDelayLeft(const AccountEntry& entry);
    void RetryAfterNetworkFailure(std::size_t index, bool pass);

    SchedulerPort& port_;
    SettingsStore& store_;
    std::shared_ptr<AccountList> accounts_ = std::make_shared<AccountList>();
    std::shared_ptr<CheckRun> current_;
    std::uint64_t nextRunId_ = 1;
    bool checkRunning_ = false;
    bool passRunning_ = false;
    std::size_t currentIndex_ = 0;      // the account of the running check
    bool currentPass_ = false;          // that check belongs to a pass
    std::vector<int> networkFailures_;  // per account, in a row
    bool waitingForNetwork_ = false;
    bool resumeHandled_ = true;
    // When each account's last check started, by upper-case section name
    // (kept across reloads, as the server's delay is).
    std::map<std::string, std::uint64_t> lastStartMs_;
};

// How long check timers wait for the network after a resume from sleep.
inline constexpr std::uint32_t kNetworkWaitMs = 15000;

}  // namespace pell
