#include "character/main_window_state_win32.h"

#include <optional>

#include "character/window_check_host_win32.h"
#include "startup/startup_win32.h"

namespace pell {
namespace {

std::optional<MainWindowState> g_state;
SettingsStore* g_settingsOverride = nullptr;
WorkerStarter g_workerStarter;

}  // namespace

MainWindowState::MainWindowState() : tray(CharacterSettings()) {}

MainWindowState& MainState() {
    if (!g_state)
        g_state.emplace();
    return *g_state;
}

void ResetMainState() {
    g_state.emplace();
}

SettingsStore& CharacterSettings() {
    return g_settingsOverride ? *g_settingsOverride : Settings();
}

void SetCharacterSettingsForTesting(SettingsStore* store) {
    g_settingsOverride = store;
}

void SetWorkerStarterForTesting(WorkerStarter starter) {
    g_workerStarter = std::move(starter);
}

void WindowSchedulerPort::SetTimer(std::uint32_t id, std::uint32_t milliseconds) {
    ::SetTimer(window_, id, milliseconds, nullptr);
}

void WindowSchedulerPort::KillTimer(std::uint32_t id) {
    ::KillTimer(window_, id);
}

void WindowSchedulerPort::StartWorker(CheckStartBlock block) {
    block.host = MakeWindowCheckHost(window_, block.run);
    if (g_workerStarter) {
        g_workerStarter(std::move(block));
    } else {
        StartCheckWorker(std::move(block));
    }
}

void WindowSchedulerPort::PostCheckDone() {
    PostMessageA(window_, MSG_CHECKDONE, 0, 0);
}

}  // namespace pell
