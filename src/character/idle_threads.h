#pragma once
// The threads of the IDLE watchers: one per watcher, each running one IDLE
// connection until it ends or is stopped. The owner hears of each watcher's
// events through callbacks that run on the watcher's thread (the window
// posts them to itself) and collects a watcher's result, joining its thread,
// once it has said that it ended. At the exit every watcher is stopped and
// waited for until a deadline; one still stuck then (a name lookup cannot be
// cancelled) is left to end on its own and touches nothing of its owner.
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <thread>

#include "mail/imap_idle.h"

namespace pell {

class IdleThreads {
  public:
    // Runs one IDLE connection (RunImapIdle with the platform's network).
    using Runner = std::function<IdleResult(const ImapAccount&, IdleControl&, const IdleHooks&)>;
    // Called on the watcher's thread with the watcher's id.
    struct Events {
        std::function<void(std::uint32_t)> idling;
        std::function<void(std::uint32_t)> newMail;
        std::function<void(std::uint32_t)> ended;  // its last act
    };

    IdleThreads(Runner runner, Events events);
    // Stops every watcher and waits for them as StopAllAndWait with a
    // moment's bound.
    ~IdleThreads();
    IdleThreads(const IdleThreads&) = delete;
    IdleThreads& operator=(const IdleThreads&) = delete;

    void Start(std::uint32_t id, ImapAccount account);
    void Stop(std::uint32_t id);
    // The result of a watcher that has ended; its thread is joined and
    // forgotten. Nothing while it still runs or for an unknown id.
    std::optional<IdleResult> Collect(std::uint32_t id);

    // Stops every watcher and waits until all have ended or `deadline` has
    // passed; true when all ended. Those still running are let go.
    bool StopAllAndWait(std::chrono::steady_clock::time_point deadline);

    std::size_t size() const { return watchers_.size(); }

  private:
    struct Watcher;
    struct Live;

    Runner runner_;
    Events events_;
    std::shared_ptr<Live> live_;
    std::map<std::uint32_t, std::shared_ptr<Watcher>> watchers_;
};

}  // namespace pell
