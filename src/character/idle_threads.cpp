#include "character/idle_threads.h"

#include <condition_variable>
#include <mutex>

namespace pell {

// What a watcher's thread shares with its owner. The thread holds it too, so
// a thread let go at the exit never touches freed memory.
struct IdleThreads::Watcher {
    IdleControl control;
    std::thread thread;
    std::mutex lock;
    bool ended = false;
    IdleResult result;
};

// The number of watcher threads still running, for the wait at the exit.
struct IdleThreads::Live {
    std::mutex lock;
    std::condition_variable ended;
    int count = 0;
};

namespace {

constexpr std::chrono::milliseconds kDestructorWait{2000};

}  // namespace

IdleThreads::IdleThreads(Runner runner, Events events)
    : runner_(std::move(runner)), events_(std::move(events)), live_(std::make_shared<Live>()) {}

IdleThreads::~IdleThreads() {
    StopAllAndWait(std::chrono::steady_clock::now() + kDestructorWait);
}

void IdleThreads::Start(std::uint32_t id, ImapAccount account) {
    if (watchers_.count(id) != 0)
        return;
    auto watcher = std::make_shared<Watcher>();
    {
        std::lock_guard<std::mutex> guard(live_->lock);
        ++live_->count;
    }
    // Everything the thread uses is its own copy or shared with it.
    watcher->thread = std::thread([watcher, id, runner = runner_, events = events_, live = live_,
                                   account = std::move(account)] {
        IdleHooks hooks;
        hooks.onIdling = [&events, id] {
            if (events.idling)
                events.idling(id);
        };
        hooks.onNewMail = [&events, id] {
            if (events.newMail)
                events.newMail(id);
        };
        IdleResult result = runner ? runner(account, watcher->control, hooks) : IdleResult{};
        {
            std::lock_guard<std::mutex> guard(watcher->lock);
            watcher->ended = true;
            watcher->result = result;
        }
        if (events.ended)
            events.ended(id);
        std::lock_guard<std::mutex> guard(live->lock);
        if (--live->count == 0)
            live->ended.notify_all();
    });
    watchers_.emplace(id, std::move(watcher));
}

void IdleThreads::Stop(std::uint32_t id) {
    auto found = watchers_.find(id);
    if (found != watchers_.end())
        found->second->control.Stop();
}

std::optional<IdleResult> IdleThreads::Collect(std::uint32_t id) {
    auto found = watchers_.find(id);
    if (found == watchers_.end())
        return std::nullopt;
    Watcher& watcher = *found->second;
    IdleResult result;
    {
        std::lock_guard<std::mutex> guard(watcher.lock);
        if (!watcher.ended)
            return std::nullopt;
        result = watcher.result;
    }
    // It has ended: only its last few steps remain.
    watcher.thread.join();
    watchers_.erase(found);
    return result;
}

bool IdleThreads::StopAllAndWait(std::chrono::steady_clock::time_point deadline) {
    for (auto& [id, watcher] : watchers_)
        watcher->control.Stop();
    bool all = false;
    {
        std::unique_lock<std::mutex> guard(live_->lock);
        all = live_->ended.wait_until(guard, deadline, [this] { return live_->count == 0; });
    }
    for (auto& [id, watcher] : watchers_) {
        bool ended = all;
        if (!ended) {
            std::lock_guard<std::mutex> guard(watcher->lock);
            ended = watcher->ended;
        }
        if (ended) {
            watcher->thread.join();
        } else {
            watcher->thread.detach();
        }
    }
    watchers_.clear();
    // Threads let go count down on their own: later waits are not for them.
    live_ = std::make_shared<Live>();
    return all;
}

}  // namespace pell
