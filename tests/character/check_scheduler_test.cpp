// Check scheduling: timers, the one running check, the watchdog, the pass and
// the reload, against a recording platform and a temporary settings file.
#include "character/check_scheduler.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "character/check_retry.h"
#include "mail/run_settings_store.h"
#include "mail/status_codes.h"
#include "settings/ini_file_store.h"

namespace pell {
namespace {

class RecordingPort : public SchedulerPort {
  public:
    void SetTimer(std::uint32_t id, std::uint32_t ms) override { timers[id] = ms; }
    void KillTimer(std::uint32_t id) override {
        timers.erase(id);
        killed.push_back(id);
    }
    void StartWorker(CheckStartBlock block) override { started.push_back(std::move(block)); }
    void PostCheckDone() override { ++checkDone; }
    std::uint64_t NowMs() override { return now; }

    std::uint64_t now = 1000000;
    std::map<std::uint32_t, std::uint32_t> timers;
    std::vector<std::uint32_t> killed;
    std::vector<CheckStartBlock> started;
    int checkDone = 0;
};

class SchedulerTest : public testing::Test {
  protected:
    SchedulerTest()
        : path_(testing::TempDir() + "scheduler_" +
                testing::UnitTest::GetInstance()->current_test_info()->name() + ".ini"),
          store_(path_),
          scheduler_(port_, store_) {
        std::remove(path_.c_str());
    }
    ~SchedulerTest() override { std::remove(path_.c_str()); }

    // Accounts POP1.. with the given Check flags and check periods.
    void Accounts(const std::vector<std::pair<const char*, int>>& checkAndTimer) {
        store_.Write("Poplist", "Count", std::to_string(checkAndTimer.size()));
        for (std::size_t i = 0; i < checkAndTimer.size(); ++i) {
            const std::string section = "POP" + std::to_string(i + 1);
            store_.Write("Poplist", ListKey(static_cast<int>(i) + 1), section);
            store_.Write(section, "Check", checkAndTimer[i].first);
            store_.Write(section, "Timer", std::to_string(checkAndTimer[i].second));
        }
        scheduler_.SetAccounts(LoadAccountList(store_));
    }
    AccountEntry& Entry(std::size_t i) { return (*scheduler_.accounts())[i]; }

    // What a worker does at its end: its status, then the flag and the message.
    void FinishWorker(int status) {
        ASSERT_FALSE(port_.started.empty());
        const CheckStartBlock& block = port_.started.back();
        ASSERT_TRUE(block.run->Commit());
        for (AccountEntry& entry : *block.accounts) {
            if (entry.timerId.load() == block.timerId)
                entry.status = status;
        }
        scheduler_.OnWorkerFinished(block.run->id());
    }

    std::string path_;
    IniFileStore store_;
    RecordingPort port_;
    CheckScheduler scheduler_;
};

TEST_F(SchedulerTest, ArmingStartsEnabledAccountsAfterTheirOffset) {
    Accounts({{"Yes", 300}, {"No", 300}, {"Yes", 0}});
    store_.Write("POP1", "OffsetTimer", "7");
    scheduler_.ArmAccountTimers();
    EXPECT_EQ(Entry(0).timerId.load(), 10u);
    EXPECT_EQ(port_.timers.at(10), 7000u);
    EXPECT_EQ(Entry(1).status.load(), kStatusCheckOff);
    EXPECT_EQ(Entry(1).timerId.load(), 0u);
    EXPECT_EQ(port_.timers.count(11), 0u);
    EXPECT_EQ(Entry(2).timerId.load(), 12u);  // enabled, but Timer 0: no timer
    EXPECT_EQ(port_.timers.count(12), 0u);
    // An offset of 0 starts the first check after the shortest period.
    store_.Write("POP1", "OffsetTimer", "0");
    scheduler_.ArmAccountTimers();
    EXPECT_EQ(port_.timers.at(10), 50u);
}

TEST_F(SchedulerTest, OneCheckAtATimeWithWatchdog) {
    Accounts({{"Yes", 300}, {"Yes", 300}});
    store_.Write("POP2", "TimeOut", "30");
    scheduler_.ArmAccountTimers();
    scheduler_.OnCheckTimer(11, false);
    ASSERT_EQ(port_.started.size(), 1u);
    EXPECT_EQ(port_.started[0].timerId, 11u);
    EXPECT_FALSE(port_.started[0].passRunning);
    EXPECT_TRUE(scheduler_.checkRunning());
    EXPECT_EQ(Entry(1).status.load(), kStatusChecking);
    EXPECT_EQ(port_.timers.at(10001), 30000u);
    // A timer of another account during the check is lost.
    scheduler_.OnCheckTimer(10, false);
    EXPECT_EQ(port_.started.size(), 1u);
    FinishWorker(kStatusOk);
    EXPECT_FALSE(scheduler_.checkRunning());
    // The settings dialog holds every check back.
    scheduler_.OnCheckTimer(10, true);
    EXPECT_EQ(port_.started.size(), 1u);
}

TEST_F(SchedulerTest, WatchdogBoundsAndUnknownTimers) {
    Accounts({{"Yes", 300}});
    scheduler_.ArmAccountTimers();
    for (const char* timeout : {"0", "-5", "4294967"}) {
        SCOPED_TRACE(timeout);
        store_.Write("POP1", "TimeOut", timeout);
        port_.timers.clear();
        scheduler_.OnCheckTimer(10, false);
        EXPECT_EQ(port_.timers.count(10000), 0u);
        FinishWorker(kStatusOk);
    }
    // An id that belongs to no account starts nothing and leaves no flag set.
    scheduler_.OnCheckTimer(99, false);
    EXPECT_FALSE(scheduler_.checkRunning());
}

TEST_F(SchedulerTest, WatchdogExpiryEndsTheCheckOnce) {
    Accounts({{"Yes", 300}, {"Yes", 300}});
    scheduler_.ArmAccountTimers();
    scheduler_.OnCheckTimer(11, false);
    const auto run = port_.started.back().run;
    scheduler_.OnWatchdog(10001);
    EXPECT_TRUE(run->abandoned());
    EXPECT_EQ(Entry(1).status.load(), kStatusTimeOut);
    EXPECT_EQ(Entry(1).worker.load(), 0u);
    EXPECT_FALSE(scheduler_.checkRunning());
    EXPECT_EQ(port_.checkDone, 1);
    // The check timer starts again with the account's period; the first
    // account's timer is untouched.
    EXPECT_EQ(port_.timers.at(11), 300000u);
    EXPECT_EQ(port_.timers.count(10001), 0u);
    EXPECT_EQ(port_.timers.count(10), 1u);
    // A second expiry, or the late worker, changes nothing.
    scheduler_.OnWatchdog(10001);
    EXPECT_FALSE(run->Commit());
    scheduler_.OnWorkerFinished(run->id());
    EXPECT_EQ(port_.checkDone, 1);
    // Without a period the account is left to checks started by hand.
    store_.Write("POP2", "Timer", "0");
    scheduler_.OnCheckTimer(11, false);
    port_.timers.erase(11);
    scheduler_.OnWatchdog(10001);
    EXPECT_EQ(port_.timers.count(11), 0u);
    // Check now still checks it.
    scheduler_.CheckNow(false);
    EXPECT_EQ(port_.started.back().timerId, 11u);
}

TEST_F(SchedulerTest, WatchdogAfterTheWorkerCommittedDoesNothing) {
    Accounts({{"Yes", 300}});
    scheduler_.ArmAccountTimers();
    scheduler_.OnCheckTimer(10, false);
    ASSERT_TRUE(port_.started.back().run->Commit());
    scheduler_.OnWatchdog(10000);
    EXPECT_EQ(port_.checkDone, 0);
    EXPECT_NE(Entry(0).status.load(), kStatusTimeOut);
    EXPECT_TRUE(scheduler_.checkRunning());  // cleared by the worker itself
}

TEST_F(SchedulerTest, CheckNowChecksTheLastEnabledAccountFirst) {
    Accounts({{"Yes", 300}, {"Yes", 300}, {"Yes", 300}, {"No", 300}});
    scheduler_.ArmAccountTimers();
    scheduler_.CheckNow(false);
    EXPECT_TRUE(scheduler_.passRunning());
    EXPECT_EQ(Entry(3).status.load(), kStatusCheckOff);
    std::vector<std::uint32_t> order;
    for (int step = 0; step < 5; ++step) {
        if (!port_.started.empty() && order.size() < port_.started.size()) {
            order.push_back(port_.started.back().timerId);
            EXPECT_TRUE(port_.started.back().passRunning);
            FinishWorker(kStatusOk);
        }
        if (!scheduler_.ContinuePass(false))
            break;
    }
    EXPECT_EQ(order, (std::vector<std::uint32_t>{12, 10, 11}));
    EXPECT_FALSE(scheduler_.ContinuePass(false));
    // A pass in progress ignores a second check now.
    scheduler_.CheckNow(false);
    EXPECT_EQ(port_.started.size(), 3u);
}

TEST_F(SchedulerTest, CheckNowWithNothingEnabledStartsNothing) {
    Accounts({{"No", 300}, {"No", 300}});
    scheduler_.ArmAccountTimers();
    scheduler_.CheckNow(false);
    EXPECT_TRUE(port_.started.empty());
    EXPECT_FALSE(scheduler_.passRunning());
}

TEST_F(SchedulerTest, StopEndsTheRunningCheckWithoutCheckDone) {
    Accounts({{"Yes", 300}, {"Yes", 300}});
    scheduler_.ArmAccountTimers();
    scheduler_.CheckNow(false);
    const auto run = port_.started.back().run;
    Entry(1).busy = true;
    scheduler_.StopRunningChecks();
    EXPECT_TRUE(run->abandoned());
    EXPECT_FALSE(Entry(1).busy.load());
    EXPECT_EQ(port_.timers.count(11), 0u);
    EXPECT_FALSE(scheduler_.checkRunning());
    EXPECT_FALSE(scheduler_.passRunning());
    EXPECT_EQ(port_.checkDone, 0);
    EXPECT_FALSE(scheduler_.ContinuePass(false));  // nothing left waiting
}

TEST_F(SchedulerTest, ARunStoppedForTheSettingsDialogWritesNothingMore) {
    Accounts({{"Yes", 300}, {"Yes", 300}});
    scheduler_.ArmAccountTimers();
    scheduler_.OnCheckTimer(11, false);
    const auto run = port_.started.back().run;
    ASSERT_TRUE(run->Commit());  // even a run that is publishing its results
    RunSettingsStore worker(store_, run);
    EXPECT_TRUE(worker.Write("POP2", "Mesid", "<a>,"));
    scheduler_.StopRunningChecks();
    store_.DeleteSection("POP2");  // the account is deleted in the dialog
    EXPECT_FALSE(worker.Write("POP2", "Mesid", "<b>,"));
    EXPECT_FALSE(worker.DeleteSection("POP1"));
    EXPECT_EQ(store_.ReadText("POP2", "Mesid", "<none>", 64), "<none>");
    EXPECT_EQ(worker.ReadText("POP1", "Check", "", 8), "Yes") << "reads go on";
}

TEST_F(SchedulerTest, ReloadCarriesCountsOverByName) {
    Accounts({{"Yes", 300}, {"Yes", 300}});
    scheduler_.ArmAccountTimers();
    Entry(0).messageCount = 4;
    Entry(0).mailboxSize = 4000;
    Entry(0).status = kStatusNewMail;
    Entry(1).messageCount = 9;
    // POP2 removed, POP3 added; the directory names POP1 in another case.
    store_.Write("Poplist", "Count", "2");
    store_.Write("Poplist", "List1", "pop1");
    store_.Write("Poplist", "List2", "POP3");
    store_.Write("POP3", "Check", "No");
    scheduler_.Reload(LoadAccountList(store_));
    ASSERT_EQ(scheduler_.accounts()->size(), 2u);
    EXPECT_EQ(Entry(0).messageCount.load(), 4);
    EXPECT_EQ(Entry(0).mailboxSize.load(), 4000);
    EXPECT_EQ(Entry(0).status.load(), kStatusNotChecked);
    EXPECT_EQ(Entry(1).messageCount.load(), 0);
    EXPECT_EQ(Entry(1).status.load(), kStatusCheckOff);
    // The removed account's timer is gone; the kept one is armed again.
    EXPECT_EQ(port_.timers.count(11), 0u);
    EXPECT_EQ(port_.timers.count(10), 1u);
}

TEST(CheckRetry, NetworkFailuresAreTriedAgainSoonUntilThePeriodComesFirst) {
    for (int status : {3, 5, 17, 18})
        EXPECT_TRUE(IsNetworkFailure(status)) << status;
    for (int status : {0, -6, 2, 4, 8, 9, 10, 12, 15, 16, 19, 20})
        EXPECT_FALSE(IsNetworkFailure(status)) << status;
    struct Case {
        int failures, period;
        std::optional<std::uint32_t> delay;
    };
    // The steps themselves are followed through the scheduler below.
    const Case cases[] = {
        {4, 900, 480},        {5, 900, std::nullopt}, {1, 60, std::nullopt},         {1, 61, 60},
        {1, 0, std::nullopt}, {0, 900, std::nullopt}, {40, 2147483647, std::nullopt}};
    for (const Case& c : cases)
        EXPECT_EQ(RetryDelaySeconds(c.failures, c.period), c.delay)
            << c.failures << "/" << c.period;
}

TEST_F(SchedulerTest, ANetworkFailureIsRetriedAfterOneTwoFourMinutes) {
    Accounts({{"Yes", 600}});
    scheduler_.ArmAccountTimers();
    // The worker re-arms the period itself; the retry replaces it.
    const std::uint32_t expected[] = {60000, 120000, 240000, 480000};
    for (std::uint32_t ms : expected) {
        scheduler_.OnCheckTimer(10, false);
        port_.timers[10] = 600000;
        FinishWorker(kStatusConnect);
        EXPECT_EQ(port_.timers.at(10), ms);
    }
    // The next try would come after the period: the period rules.
    scheduler_.OnCheckTimer(10, false);
    port_.timers[10] = 600000;
    FinishWorker(kStatusResolve);
    EXPECT_EQ(port_.timers.at(10), 600000u);
    // A login error ends the retries; a later network failure starts anew.
    scheduler_.OnCheckTimer(10, false);
    FinishWorker(kStatusLogin);
    scheduler_.OnCheckTimer(10, false);
    FinishWorker(kStatusTlsFailed);
    EXPECT_EQ(port_.timers.at(10), 60000u);
}

TEST_F(SchedulerTest, RetriesAfterAPassAndWithoutAPeriod) {
    Accounts({{"Yes", 600}, {"Yes", 0}});
    scheduler_.ArmAccountTimers();
    scheduler_.CheckNow(false);  // POP2 first: no period, no retry
    FinishWorker(kStatusConnect);
    EXPECT_EQ(port_.timers.count(11), 0u);
    scheduler_.ContinuePass(false);
    FinishWorker(kStatusOtherApp);
    EXPECT_EQ(port_.timers.at(10), 60000u);
    EXPECT_FALSE(scheduler_.ContinuePass(false));
    // A pass that succeeds gives the timer back to the period.
    scheduler_.ClearPassRunning();
    scheduler_.CheckNow(false);
    FinishWorker(kStatusOk);
    scheduler_.ContinuePass(false);
    FinishWorker(kStatusNewMail);
    EXPECT_EQ(port_.timers.at(10), 600000u);
}

TEST_F(SchedulerTest, SuspendAbandonsTheCheckAndResumeWaitsThenChecksAll) {
    Accounts({{"Yes", 300}, {"Yes", 300}, {"No", 300}});
    scheduler_.ArmAccountTimers();
    scheduler_.CheckNow(false);
    const auto run = port_.started.back().run;
    scheduler_.OnSuspend();
    EXPECT_TRUE(run->abandoned());
    EXPECT_FALSE(scheduler_.checkRunning());
    EXPECT_FALSE(scheduler_.passRunning());
    EXPECT_EQ(Entry(0).status.load(), kStatusNotChecked);
    EXPECT_EQ(Entry(1).status.load(), kStatusNotChecked);
    EXPECT_EQ(port_.checkDone, 1);  // the face leaves the thinking one

    // On waking, check timers wait for the network...
    scheduler_.OnResume(true);
    EXPECT_EQ(port_.timers.at(kTimerNetworkWait), kNetworkWaitMs);
    scheduler_.OnResume(false);  // the user's return adds no second wait
    port_.timers.erase(kTimerNetworkWait);
    scheduler_.OnResume(false);
    EXPECT_EQ(port_.timers.count(kTimerNetworkWait), 0u);
    scheduler_.OnCheckTimer(10, false);
    EXPECT_EQ(port_.started.size(), 1u);
    // ...then one pass checks every enabled account, and the periods restart.
    port_.timers.erase(10);
    scheduler_.OnNetworkWaitOver(false);
    EXPECT_FALSE(scheduler_.waitingForNetwork());
    EXPECT_EQ(port_.started.size(), 2u);
    EXPECT_TRUE(port_.started.back().passRunning);
    EXPECT_EQ(port_.timers.at(10), 300000u);
    EXPECT_EQ(port_.timers.count(12), 0u);
    EXPECT_EQ(Entry(0).status.load(), kStatusChecking);
    // A second expiry of the wait starts nothing more.
    scheduler_.OnNetworkWaitOver(false);
    EXPECT_EQ(port_.started.size(), 2u);
}

TEST_F(SchedulerTest, SuspendAfterTheWorkerCommittedLeavesItsEndToIt) {
    Accounts({{"Yes", 300}});
    scheduler_.ArmAccountTimers();
    scheduler_.OnCheckTimer(10, false);
    ASSERT_TRUE(port_.started.back().run->Commit());
    scheduler_.OnSuspend();
    EXPECT_TRUE(scheduler_.checkRunning());
    EXPECT_EQ(port_.checkDone, 0);
    // A check asked for by hand during the wait runs at once.
    scheduler_.OnWorkerFinished(port_.started.back().run->id());
    scheduler_.OnResume(true);
    scheduler_.CheckNow(false);
    EXPECT_FALSE(scheduler_.waitingForNetwork());
    EXPECT_EQ(port_.started.size(), 2u);
}

TEST_F(SchedulerTest, LoginDelayOfTheServerSpacesTheChecks) {
    Accounts({{"Yes", 60}, {"Yes", 60}});
    scheduler_.ArmAccountTimers();
    scheduler_.OnCheckTimer(10, false);
    Entry(0).loginDelaySeconds = 300;  // what the check learned
    FinishWorker(kStatusOk);
    // The period comes first: the check waits for the rest of the delay.
    port_.now += 60000;
    scheduler_.OnCheckTimer(10, false);
    EXPECT_EQ(port_.started.size(), 1u);
    EXPECT_EQ(port_.timers.at(10), 240000u);
    // A pass leaves the account out, and checks the others.
    scheduler_.CheckNow(false);
    ASSERT_EQ(port_.started.size(), 2u);
    EXPECT_EQ(port_.started.back().timerId, 11u);
    EXPECT_EQ(Entry(0).status.load(), kStatusOk);
    FinishWorker(kStatusOk);
    EXPECT_FALSE(scheduler_.ContinuePass(false));
    scheduler_.ClearPassRunning();
    // Once the delay is over, the timer starts the check.
    port_.now += 240000;
    scheduler_.OnCheckTimer(10, false);
    EXPECT_EQ(port_.started.size(), 3u);
}

TEST(TimerPeriods, SecondsAreClamped) {
    EXPECT_EQ(SecondsToTimerPeriod(5), 5000u);
    EXPECT_EQ(SecondsToTimerPeriod(-3), 0u);
    EXPECT_EQ(SecondsToTimerPeriod(3000000), 0x7FFFFFFFu);
    EXPECT_TRUE(WatchdogApplies(4294966));
    EXPECT_FALSE(WatchdogApplies(4294967));
    EXPECT_FALSE(WatchdogApplies(0));
}

}  // namespace
}  // namespace pell
