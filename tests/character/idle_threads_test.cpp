// The watcher threads with a runner that waits as an IDLE connection does:
// events by id, stop, collect, and the exit that lets a stuck thread go.
#include "character/idle_threads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace pell {
namespace {

// What the watchers told, from their threads.
struct Heard {
    std::mutex lock;
    std::condition_variable changed;
    std::vector<std::string> events;

    void Add(const std::string& event) {
        std::lock_guard<std::mutex> guard(lock);
        events.push_back(event);
        changed.notify_all();
    }
    void WaitFor(const std::string& event) {
        std::unique_lock<std::mutex> guard(lock);
        changed.wait(
            guard, [&] { return std::find(events.begin(), events.end(), event) != events.end(); });
    }
};

IdleThreads::Events Recording(Heard& heard) {
    IdleThreads::Events events;
    events.idling = [&heard](std::uint32_t id) { heard.Add("idling " + std::to_string(id)); };
    events.newMail = [&heard](std::uint32_t id) { heard.Add("mail " + std::to_string(id)); };
    events.ended = [&heard](std::uint32_t id) { heard.Add("ended " + std::to_string(id)); };
    return events;
}

// Idles and announces one mail, then waits until stopped, as a connection
// whose socket the stop shuts down; a folder named "stuck" ignores the stop
// until `release` is set.
struct WaitingRunner {
    std::shared_ptr<std::mutex> lock = std::make_shared<std::mutex>();
    std::shared_ptr<std::condition_variable> wake = std::make_shared<std::condition_variable>();
    std::shared_ptr<bool> release = std::make_shared<bool>(false);

    IdleResult operator()(const ImapAccount& account, IdleControl& control,
                          const IdleHooks& hooks) const {
        hooks.onIdling();
        hooks.onNewMail();
        const bool stuck = account.folder == "stuck";
        control.SetCancelHook([lock = lock, wake = wake] {
            std::lock_guard<std::mutex> guard(*lock);
            wake->notify_all();
        });
        std::unique_lock<std::mutex> guard(*lock);
        wake->wait(guard, [&] { return stuck ? *release : control.stopped(); });
        guard.unlock();
        control.ClearCancelHook();
        return IdleResult{IdleEnd::kStopped, 0};
    }
    void Release() const {
        std::lock_guard<std::mutex> guard(*lock);
        *release = true;
        wake->notify_all();
    }
};

TEST(IdleThreads, AWatcherRunsUntilStoppedAndIsCollectedOnce) {
    Heard heard;
    IdleThreads threads(WaitingRunner(), Recording(heard));
    threads.Start(7, ImapAccount{});
    heard.WaitFor("mail 7");
    EXPECT_FALSE(threads.Collect(7)) << "still running";
    threads.Stop(7);
    heard.WaitFor("ended 7");
    const std::optional<IdleResult> result = threads.Collect(7);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->end, IdleEnd::kStopped);
    EXPECT_FALSE(threads.Collect(7));
    EXPECT_EQ(threads.size(), 0u);
    EXPECT_EQ(heard.events, (std::vector<std::string>{"idling 7", "mail 7", "ended 7"}));
}

TEST(IdleThreads, TheExitStopsAllAndLetsAStuckWatcherGo) {
    Heard heard;
    WaitingRunner runner;
    {
        IdleThreads threads(runner, Recording(heard));
        threads.Start(3, ImapAccount{});
        heard.WaitFor("idling 3");
    }
    EXPECT_EQ(heard.events.back(), "ended 3") << "the end of the owner waits for its watchers";

    auto threads = std::make_unique<IdleThreads>(runner, Recording(heard));
    ImapAccount stuck;
    stuck.folder = "stuck";
    threads->Start(1, ImapAccount{});
    threads->Start(2, stuck);
    heard.WaitFor("idling 1");
    heard.WaitFor("idling 2");
    EXPECT_FALSE(threads->StopAllAndWait(std::chrono::steady_clock::now()));
    EXPECT_EQ(threads->size(), 0u);
    threads.reset();  // nothing left to wait for
    heard.WaitFor("ended 1");
    runner.Release();
    heard.WaitFor("ended 2");
}

}  // namespace
}  // namespace pell
