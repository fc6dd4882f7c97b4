// Which accounts keep an IDLE watcher, reconnects, stops and restarts, and the
// checks the watchers ask for, against a recording platform and an INI file.
#include "character/idle_supervisor.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "mail/status_codes.h"
#include "settings/ini_file_store.h"
#include "support/temp_file.h"

namespace pell {
namespace {

class RecordingIdlePort : public IdlePort {
  public:
    void StartWatcher(std::uint32_t id, const std::string& section) override {
        started.push_back({id, section});
    }
    void StopWatcher(std::uint32_t id) override { stopped.push_back(id); }
    void SetTimer(std::uint32_t id, std::uint32_t ms) override { timers[id] = ms; }
    void KillTimer(std::uint32_t id) override { timers.erase(id); }

    std::vector<std::pair<std::uint32_t, std::string>> started;
    std::vector<std::uint32_t> stopped;
    std::map<std::uint32_t, std::uint32_t> timers;
};

const IdleResult kFailed{IdleEnd::kFailed, kStatusConnect};
const char kImap[] = "Protocol=1";

class IdleSupervisorTest : public ::testing::Test {
  protected:
    // POP1 and POP2 with a 10-minute period and the given keys.
    void Accounts(const std::string& keys1 = kImap, const std::string& keys2 = kImap) {
        file.Write("[POP1]\r\nTimer=600\r\n" + keys1 + "\r\n[POP2]\r\nTimer=600\r\n" + keys2 +
                   "\r\n");
        accounts = AccountList{AccountEntry("POP1"), AccountEntry("POP2")};
    }
    std::uint32_t LastId() { return port.started.empty() ? 0 : port.started.back().first; }

    testing::TempFile file;
    IniFileStore store{file.path()};
    RecordingIdlePort port;
    IdleSupervisor idle{port, store};
    AccountList accounts;
};

TEST_F(IdleSupervisorTest, AWatcherFollowsASuccessfulCheckOfAnEnabledImapAccount) {
    struct Case {
        const char* keys;
        int status;
        bool started;
    };
    const Case cases[] = {
        {kImap, kStatusOk, true},
        {kImap, kStatusNewMail, true},
        {kImap, kStatusConnect, false},
        {kImap, kStatusOutsideHours, false},
        {"Protocol=1\r\nIdle=No", kStatusOk, false},
        {"Protocol=1\r\nCheck=No", kStatusOk, false},
        {"Protocol=0", kStatusOk, false},
        {"", kStatusOk, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.keys) + " " + std::to_string(c.status));
        port = RecordingIdlePort();
        IdleSupervisor fresh(port, store);
        Accounts(c.keys);
        fresh.OnCheckEnded(accounts, 0, c.status);
        fresh.OnCheckEnded(accounts, 0, c.status);
        EXPECT_EQ(port.started.size(), c.started ? 1u : 0u) << "one watcher per account";
    }
    Accounts(kImap, "Protocol=0");
    idle.OnCheckEnded(accounts, 0, kStatusOk);
    idle.OnCheckEnded(accounts, 1, kStatusOk);
    EXPECT_EQ(store.ReadText("POP1", "Idle", "<none>", 32), "Yes");
    EXPECT_EQ(store.ReadText("POP2", "Idle", "<none>", 32), "<none>") << "POP3 stays clean";
}

TEST_F(IdleSupervisorTest, AServerWithoutIdleIsAskedAgainOnlyAfterTheSettings) {
    Accounts();
    idle.OnCheckEnded(accounts, 0, kStatusOk);
    idle.OnWatcherEnded(accounts, LastId(), IdleResult{IdleEnd::kNoIdle, 0});
    idle.OnCheckEnded(accounts, 0, kStatusOk);
    EXPECT_EQ(port.started.size(), 1u);
    EXPECT_TRUE(port.timers.empty());
    idle.StopAll();
    idle.Restart(accounts);
    idle.OnCheckEnded(accounts, 0, kStatusOk);
    EXPECT_EQ(port.started.size(), 2u);
}

TEST_F(IdleSupervisorTest, AFailedWatcherReconnectsOnTheNetworkRetrySteps) {
    Accounts();
    const std::uint32_t timer = IdleRetryTimerId(0);
    idle.OnCheckEnded(accounts, 0, kStatusOk);
    // 1, 2, 4 and 8 minutes come before the next check; 16 would not.
    const std::uint32_t delays[] = {60000, 120000, 240000, 480000, 0};
    for (std::uint32_t delay : delays) {
        SCOPED_TRACE(delay);
        idle.OnWatcherEnded(accounts, LastId(), kFailed);
        EXPECT_EQ(port.timers.count(timer) ? port.timers[timer] : 0u, delay);
        if (delay == 0)
            break;
        idle.OnRetryTimer(accounts, timer);
    }
    EXPECT_EQ(port.started.size(), 5u);
    idle.OnCheckEnded(accounts, 0, kStatusOk);
    ASSERT_EQ(port.started.size(), 6u) << "a successful check brings it back";
    idle.OnWatcherIdling(LastId());
    idle.OnWatcherEnded(accounts, LastId(), kFailed);
    EXPECT_EQ(port.timers[timer], 60000u) << "idling starts the steps afresh";
    idle.OnWatcherEnded(accounts, LastId(), kFailed);  // stale: ended already
    EXPECT_EQ(port.timers[timer], 60000u);
}

TEST_F(IdleSupervisorTest, StopsForTheSettingsAndRestartsFromTheNewList) {
    Accounts();
    idle.OnCheckEnded(accounts, 0, kStatusOk);
    idle.OnCheckEnded(accounts, 1, kStatusOk);
    const std::uint32_t first = port.started[0].first;
    idle.OnWatcherEnded(accounts, port.started[1].first, kFailed);  // POP2 waits to reconnect
    idle.StopAll();
    EXPECT_EQ(port.stopped, (std::vector<std::uint32_t>{first}));
    EXPECT_TRUE(port.timers.empty());
    // The dialog switched POP2 off. POP1's old watcher has not ended yet: its
    // successor waits for that end.
    store.Write("POP2", "Check", "No");
    idle.Restart(accounts);
    EXPECT_EQ(port.started.size(), 2u);
    idle.OnWatcherNewMail(first);
    EXPECT_FALSE(idle.TakeCheckRequest(accounts)) << "a stopping watcher asks nothing";
    idle.OnWatcherEnded(accounts, first, IdleResult{IdleEnd::kStopped, 0});
    ASSERT_EQ(port.started.size(), 3u);
    EXPECT_EQ(port.started[2].second, "POP1");
    EXPECT_EQ(idle.liveWatchers(), 1u);

    // A deleted account's watcher is stopped and forgotten.
    idle.StopAll();
    idle.OnWatcherEnded(accounts, port.started[2].first, IdleResult{IdleEnd::kStopped, 0});
    idle.Restart(AccountList{AccountEntry("POP2")});
    EXPECT_EQ(idle.liveWatchers(), 0u);
    EXPECT_EQ(port.started.size(), 3u);
}

TEST_F(IdleSupervisorTest, NewMailAsksForOneCheckOfItsAccount) {
    Accounts();
    idle.OnCheckEnded(accounts, 1, kStatusOk);
    idle.OnWatcherNewMail(LastId());
    idle.OnWatcherNewMail(LastId());
    idle.OnWatcherNewMail(LastId() + 1);  // no such watcher
    EXPECT_EQ(idle.TakeCheckRequest(accounts), std::optional<std::size_t>(1));
    EXPECT_FALSE(idle.TakeCheckRequest(accounts));
    // A check that finds the account switched off ends its watcher.
    idle.OnWatcherNewMail(LastId());
    idle.OnCheckEnded(accounts, 1, kStatusCheckOff);
    EXPECT_EQ(port.stopped, (std::vector<std::uint32_t>{LastId()}));
    EXPECT_FALSE(idle.TakeCheckRequest(accounts));
}

}  // namespace
}  // namespace pell
