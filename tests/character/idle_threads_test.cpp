// The watcher threads with a runner that waits as an IDLE connection does.
#include "character/idle_threads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>

namespace pell {
namespace {

// What the watchers said, from their threads. A watcher of the folder "stuck"
// ignores stops (a name lookup) until `release`.
struct Heard {
    std::mutex lock;
    std::condition_variable changed;
    std::vector<std::string> events;
    bool release = false;

    void Add(const std::string& event) {
        std::lock_guard<std::mutex> guard(lock);
        events.push_back(event);
        changed.notify_all();
    }
    void Release() {
        std::lock_guard<std::mutex> guard(lock);
        release = true;
        changed.notify_all();
    }
    void Await(const std::string& event) {
        std::unique_lock<std::mutex> guard(lock);
        changed.wait(guard, [&] { return std::count(events.begin(), events.end(), event) > 0; });
    }
    IdleThreads Threads() {
        auto say = [this](const char* what) {
            return [this, what](std::uint32_t id) { Add(what + std::to_string(id)); };
        };
        return IdleThreads(
            [this](const ImapAccount& account, IdleControl& control, const IdleHooks& hooks) {
                hooks.onIdling();
                hooks.onNewMail();
                control.SetCancelHook([this] { Add("cancel"); });
                std::unique_lock<std::mutex> guard(lock);
                changed.wait(
                    guard, [&] { return account.folder == "stuck" ? release : control.stopped(); });
                return IdleResult{IdleEnd::kStopped, 0};
            },
            {say("idling "), say("mail "), say("ended ")});
    }
};

TEST(IdleThreads, AWatcherRunsUntilStoppedAndIsCollectedOnce) {
    Heard heard;
    IdleThreads threads = heard.Threads();
    threads.Start(7, ImapAccount{});
    heard.Await("mail 7");
    EXPECT_FALSE(threads.Collect(7)) << "still running";
    threads.Stop(7);
    heard.Await("ended 7");
    ASSERT_TRUE(threads.Collect(7));
    EXPECT_FALSE(threads.Collect(7));
    EXPECT_EQ(heard.events, (std::vector<std::string>{"idling 7", "mail 7", "cancel", "ended 7"}));
}

TEST(IdleThreads, TheExitStopsAllAndLetsAStuckWatcherGo) {
    Heard heard;
    {
        IdleThreads threads = heard.Threads();
        threads.Start(3, ImapAccount{});
        heard.Await("idling 3");
    }
    EXPECT_EQ(heard.events.back(), "ended 3") << "the owner's end waits for its watchers";

    ImapAccount stuck;
    stuck.folder = "stuck";
    {
        IdleThreads threads = heard.Threads();
        threads.Start(2, stuck);
        heard.Await("idling 2");
        EXPECT_FALSE(threads.StopAllAndWait(std::chrono::steady_clock::now()));
    }  // nothing left to wait for
    heard.Release();
    heard.Await("ended 2");
}

}  // namespace
}  // namespace pell
