#pragma once
// One check of one account, shared by the worker that runs it and the main
// window that may abandon it (watchdog, settings dialog). Exactly one side
// wins the end of the run: the worker by committing its results, or the main
// window by abandoning it; an abandoned run discards its late results and
// posts nothing, so exactly one check-done message reaches the main window.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

namespace pell {

class CheckRun {
  public:
    explicit CheckRun(std::uint64_t id) : id_(id) {}

    std::uint64_t id() const { return id_; }

    // Main thread: abandon the run. Returns false when the worker had already
    // committed (its own check-done message is on its way). On success the
    // cancel hook (for example, shutting the socket down) is called so that a
    // blocking call of the worker returns at once.
    bool Abandon() {
        int expected = kRunning;
        if (!state_.compare_exchange_strong(expected, kAbandoned))
            return false;
        std::function<void()> hook;
        {
            std::lock_guard<std::mutex> guard(lock_);
            hook = hook_;
        }
        if (hook)
            hook();
        return true;
    }

    // Worker: claim the right to publish results. False when abandoned.
    bool Commit() {
        int expected = kRunning;
        return state_.compare_exchange_strong(expected, kCommitted);
    }

    bool abandoned() const { return state_.load() == kAbandoned; }

    // Main thread: from now on the run changes the settings file no more (the
    // settings dialog may delete its account). Returns once a write that is
    // under way has ended.
    void StopWrites() {
        std::lock_guard<std::mutex> guard(writeLock_);
        writesStopped_ = true;
    }
    // Worker: carries out `write` unless writes were stopped; false when the
    // write was dropped.
    template <class Write>
    bool GuardedWrite(Write&& write) {
        std::lock_guard<std::mutex> guard(writeLock_);
        if (writesStopped_)
            return false;
        return write();
    }

    // Worker: what to do to unblock it (set while a socket is open). When the
    // run is already abandoned, the hook runs at once.
    void SetCancelHook(std::function<void()> hook) {
        {
            std::lock_guard<std::mutex> guard(lock_);
            hook_ = hook;
        }
        if (hook && abandoned())
            hook();
    }
    void ClearCancelHook() {
        std::lock_guard<std::mutex> guard(lock_);
        hook_ = nullptr;
    }

  private:
    enum { kRunning, kCommitted, kAbandoned };
    const std::uint64_t id_;
    std::atomic<int> state_{kRunning};
    std::mutex lock_;
    std::function<void()> hook_;
    std::mutex writeLock_;
    bool writesStopped_ = false;
};

}  // namespace pell
