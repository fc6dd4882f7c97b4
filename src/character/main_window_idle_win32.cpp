// The IDLE watchers of the main window: a thread per watcher, whose events
// come back as posted messages, the reconnect timers, and the check a
// watcher asks for, run as if the account's timer had fired.
#include <windows.h>

#include "character/host_messages.h"
#include "character/main_window_handlers_win32.h"
#include "character/main_window_state_win32.h"

namespace pell {
namespace {

IdleThreads::Runner g_runnerOverride;

IdleResult RunOnPlatformNetwork(const ImapAccount& account, IdleControl& control,
                                const IdleHooks& hooks) {
    std::unique_ptr<Network> network = MakePlatformNetwork();
    return RunImapIdle(*network, account, control, hooks);
}

IdleThreads::Events PostedTo(HWND window) {
    auto post = [window](UINT message) {
        return [window, message](std::uint32_t id) {
            PostMessageA(window, message, 0, static_cast<LPARAM>(id));
        };
    };
    return IdleThreads::Events{post(MSG_IDLE_IDLING), post(MSG_IDLE_NEWMAIL), post(MSG_IDLE_ENDED)};
}

class WindowIdlePort final : public IdlePort {
  public:
    WindowIdlePort(HWND window, IdleThreads& threads) : window_(window), threads_(threads) {}

    void StartWatcher(std::uint32_t id, const std::string& section) override {
        threads_.Start(id, ReadImapAccount(CharacterSettings(), section));
    }
    void StopWatcher(std::uint32_t id) override { threads_.Stop(id); }
    void SetTimer(std::uint32_t id, std::uint32_t milliseconds) override {
        ::SetTimer(window_, id, milliseconds, nullptr);
    }
    void KillTimer(std::uint32_t id) override { ::KillTimer(window_, id); }

  private:
    HWND window_;
    IdleThreads& threads_;
};

}  // namespace

void SetIdleRunnerForTesting(IdleThreads::Runner runner) {
    g_runnerOverride = std::move(runner);
}

void CreateIdleWatchers(HWND window) {
    MainWindowState& state = MainState();
    state.idleThreads = std::make_unique<IdleThreads>(
        g_runnerOverride ? g_runnerOverride : RunOnPlatformNetwork, PostedTo(window));
    state.idlePort = std::make_unique<WindowIdlePort>(window, *state.idleThreads);
    state.idle = std::make_unique<IdleSupervisor>(*state.idlePort, CharacterSettings());
}

void OnAccountCheckEnded(std::size_t index) {
    MainWindowState& state = MainState();
    if (!state.idle || index >= state.accounts().size())
        return;
    state.idle->OnCheckEnded(state.accounts(), index, state.accounts()[index].status.load());
}

void OnIdleMessage(HWND /*window*/, UINT message, LPARAM lParam) {
    MainWindowState& state = MainState();
    if (!state.idle || !state.scheduler)
        return;
    const auto id = static_cast<std::uint32_t>(lParam);
    switch (message) {
        case MSG_IDLE_IDLING:
            state.idle->OnWatcherIdling(id);
            return;
        case MSG_IDLE_NEWMAIL:
            state.idle->OnWatcherNewMail(id);
            StartRequestedCheck();
            return;
        case MSG_IDLE_ENDED:
            if (const std::optional<IdleResult> result = state.idleThreads->Collect(id))
                state.idle->OnWatcherEnded(state.accounts(), id, *result);
            return;
        default:
            return;
    }
}

void OnIdleRetryTimer(UINT_PTR id) {
    MainWindowState& state = MainState();
    if (state.idle && state.scheduler)
        state.idle->OnRetryTimer(state.accounts(), static_cast<std::uint32_t>(id));
}

bool StartRequestedCheck() {
    MainWindowState& state = MainState();
    if (!state.idle || !state.scheduler)
        return false;
    CheckScheduler& scheduler = *state.scheduler;
    // A running check goes first: the request waits for its refresh. After a
    // resume the pass that ends the wait checks every account anyway.
    if (scheduler.checkRunning() || scheduler.passRunning() || state.settingsDialog ||
        scheduler.waitingForNetwork()) {
        return false;
    }
    while (const std::optional<std::size_t> index =
               state.idle->TakeCheckRequest(state.accounts())) {
        const std::uint32_t timerId = state.accounts()[*index].timerId.load();
        if (timerId != 0)
            scheduler.OnCheckTimer(timerId, false);
        if (scheduler.checkRunning())
            return true;
    }
    return false;
}

void StopIdleWatchers() {
    if (MainState().idle)
        MainState().idle->StopAll();
}

void RestartIdleWatchers() {
    MainWindowState& state = MainState();
    if (state.idle && state.scheduler)
        state.idle->Restart(state.accounts());
}

void EndIdleWatchers(std::chrono::steady_clock::time_point deadline) {
    MainWindowState& state = MainState();
    if (state.idle)
        state.idle->StopAll();
    if (state.idleThreads)
        state.idleThreads->StopAllAndWait(deadline);
}

}  // namespace pell
