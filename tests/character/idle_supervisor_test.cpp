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
const IdleResult kStopped{IdleEnd::kStopped, 0};

class IdleSupervisorTest : public ::testing::Test {
  protected:
    // POP1 and POP2 with a 10-minute period and the given keys.
    void Accounts(const std::string& keys1 = "Protocol=1",
                  const std::string& keys2 = "Protocol=1") {
        file.Write("[POP1]\r\nTimer=600\r\n" + keys1 + "\r\n[POP2]\r\nTimer=600\r\n" + keys2);
    }
    std::uint32_t Last() { return port.started.empty() ? 0 : port.started.back().first; }

    testing::TempFile file;
    IniFileStore store{file.path()};
    RecordingIdlePort port;
    IdleSupervisor idle{port, store};
    AccountList accounts{AccountEntry("POP1"), AccountEntry("POP2")};
};

TEST_F(IdleSupervisorTest, OneWatcherFollowsASuccessfulCheckOfAnEnabledImapAccount) {
    const std::tuple<const char*, int, std::size_t> cases[] = {
        {"Protocol=1", kStatusOk, 1},
        {"Protocol=1", kStatusNewMail, 1},
        {"Protocol=1", kStatusConnect, 0},
        {"Protocol=1\r\nIdle=No", kStatusOk, 0},
        {"Protocol=1\r\nCheck=No", kStatusOk, 0},
        {"Protocol=0", kStatusOk, 0},
        {"", kStatusOk, 0}};
    for (const auto& [keys, status, watchers] : cases) {
        SCOPED_TRACE(std::string(keys) + " " + std::to_string(status));
        RecordingIdlePort fresh;
        IdleSupervisor supervisor(fresh, store);
        Accounts(keys);
        supervisor.OnCheckEnded(accounts, 0, status);
        supervisor.OnCheckEnded(accounts, 0, status);
        EXPECT_EQ(fresh.started.size(), watchers);
    }
    Accounts("Protocol=1", "Protocol=0");
    idle.OnCheckEnded(accounts, 0, kStatusOk);
    idle.OnCheckEnded(accounts, 1, kStatusOk);
    EXPECT_EQ(store.ReadText("POP1", "Idle", "-", 32), "Yes");
    EXPECT_EQ(store.ReadText("POP2", "Idle", "-", 32), "-") << "POP3 sections stay clean";
}

TEST_F(IdleSupervisorTest, AFailedWatcherReconnectsOnTheNetworkRetrySteps) {
    Accounts();
    const std::uint32_t timer = IdleRetryTimerId(0);
    idle.OnCheckEnded(accounts, 0, kStatusOk);
    // 1, 2, 4 and 8 minutes come before the next check; 16 would not.
    for (std::uint32_t delay : {60000u, 120000u, 240000u, 480000u, 0u}) {
        idle.OnWatcherEnded(accounts, Last(), kFailed);
        EXPECT_EQ(port.timers.count(timer) ? port.timers[timer] : 0u, delay);
        idle.OnRetryTimer(accounts, timer);
    }
    EXPECT_EQ(port.started.size(), 5u);
    idle.OnCheckEnded(accounts, 0, kStatusOk);
    EXPECT_EQ(port.started.size(), 6u) << "a successful check brings it back";
    idle.OnWatcherIdling(Last());
    idle.OnWatcherEnded(accounts, Last(), kFailed);
    idle.OnWatcherEnded(accounts, Last(), kFailed);  // stale: ended already
    EXPECT_EQ(port.timers[timer], 60000u) << "idling starts the steps afresh";

    // A server without IDLE is asked again only after the settings.
    idle.OnRetryTimer(accounts, timer);
    idle.OnWatcherEnded(accounts, Last(), IdleResult{IdleEnd::kNoIdle, 0});
    idle.OnCheckEnded(accounts, 0, kStatusOk);
    EXPECT_EQ(port.started.size(), 7u);
    EXPECT_TRUE(port.timers.empty());
    idle.Restart(accounts);
    idle.OnCheckEnded(accounts, 0, kStatusOk);
    EXPECT_EQ(port.started.size(), 8u);
}

TEST_F(IdleSupervisorTest, WithoutACheckTimerTheWatcherIsReconnectedForEver) {
    file.Write("[POP1]\r\nTimer=0\r\nProtocol=1\r\n[POP2]\r\nProtocol=1\r\n");
    const std::uint32_t timer = IdleRetryTimerId(0);
    idle.OnCheckEnded(accounts, 0, kStatusOk);
    for (std::uint32_t delay :
         {60000u, 120000u, 240000u, 480000u, 960000u, 1800000u, 1800000u, 1800000u}) {
        idle.OnWatcherEnded(accounts, Last(), kFailed);
        ASSERT_EQ(port.timers.count(timer) ? port.timers[timer] : 0u, delay);
        idle.OnRetryTimer(accounts, timer);
    }
    EXPECT_EQ(port.started.size(), 9u);
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
    // The dialog switched POP2 off; POP1's successor waits for the old one's end.
    store.Write("POP2", "Check", "No");
    idle.Restart(accounts);
    idle.OnWatcherNewMail(first);
    EXPECT_FALSE(idle.TakeCheckRequest(accounts)) << "a stopping watcher asks nothing";
    EXPECT_EQ(port.started.size(), 2u);
    idle.OnWatcherEnded(accounts, first, kStopped);
    ASSERT_EQ(port.started.size(), 3u);
    EXPECT_EQ(port.started[2].second, "POP1");

    // A deleted account's watcher is stopped and forgotten.
    idle.StopAll();
    idle.OnWatcherEnded(accounts, Last(), kStopped);
    idle.Restart(AccountList{AccountEntry("POP2")});
    EXPECT_EQ(idle.liveWatchers(), 0u);
    EXPECT_EQ(port.started.size(), 3u);
}

TEST_F(IdleSupervisorTest, NewMailAsksForOneCheckOfItsAccount) {
    Accounts();
    idle.OnCheckEnded(accounts, 1, kStatusOk);
    idle.OnWatcherNewMail(Last());
    idle.OnWatcherNewMail(Last());
    idle.OnWatcherNewMail(Last() + 1);  // no such watcher
    EXPECT_EQ(idle.TakeCheckRequest(accounts), std::optional<std::size_t>(1));
    EXPECT_FALSE(idle.TakeCheckRequest(accounts));
    // A check that finds the account switched off ends its watcher.
    idle.OnWatcherNewMail(Last());
    idle.OnCheckEnded(accounts, 1, kStatusCheckOff);
    EXPECT_EQ(port.stopped, (std::vector<std::uint32_t>{Last()}));
    EXPECT_FALSE(idle.TakeCheckRequest(accounts));
}

}  // namespace
}  // namespace pell
