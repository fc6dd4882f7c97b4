#pragma once
// Everything the main character window keeps for the whole run. There is one
// main window per process; its state lives here and is rebuilt at creation.
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "character/check_scheduler.h"
#include "character/double_click.h"
#include "character/idle_supervisor.h"
#include "character/idle_threads.h"
#include "character/mail_state.h"
#include "character/tray_icon_win32.h"
#include "mail/new_mail_notice.h"
#include "settings/settings_store.h"

namespace pell {

// Timers, the worker and the check-done message of the real window.
class WindowSchedulerPort final : public SchedulerPort {
  public:
    explicit WindowSchedulerPort(HWND window) : window_(window) {}
    void SetTimer(std::uint32_t id, std::uint32_t milliseconds) override;
    void KillTimer(std::uint32_t id) override;
    void StartWorker(CheckStartBlock block) override;
    void PostCheckDone() override;

  private:
    HWND window_;
};

struct MainWindowState {
    MainWindowState();

    HWND window = nullptr;
    int mailState = kMailIdle;
    int face = kFaceNone;
    bool faceTimerArmed = false;
    bool tooltipShown = false;
    HWND tooltip = nullptr;
    bool tooltipSuppressed = false;
    bool leaveTrackingArmed = false;
    bool inMenu = false;
    bool mailHeld = false;
    int lastNewMailAccount = -1;
    bool animationPhase = false;
    HWND settingsDialog = nullptr;
    HWND aboutBox = nullptr;
    bool messageBoxOpen = false;
    bool positionSaving = false;
    // Where the character was moved back onto a screen: that place is not the
    // user's, so a move to it leaves posx/posy as they were.
    std::optional<POINT> correctedPlace;
    std::optional<ClockStamp> lastClick;  // none before the first release
    POINT lastPointer{0, 0};
    // Notices that came while the user was busy, in order of arrival.
    std::vector<std::unique_ptr<NewMailNotice>> waitingNotices;
    TrayIcon tray;
    std::unique_ptr<WindowSchedulerPort> port;
    std::unique_ptr<CheckScheduler> scheduler;
    // The IDLE watchers: their threads, the window's side of them, and who
    // gets one (destroyed in this order's reverse).
    std::unique_ptr<IdleThreads> idleThreads;
    std::unique_ptr<IdlePort> idlePort;
    std::unique_ptr<IdleSupervisor> idle;

    const AccountList& accounts() const { return *scheduler->accounts(); }
    bool busy() const { return scheduler->checkRunning() || scheduler->passRunning(); }
};

// The settings file the character reads and writes: the run's own unless a
// test points it elsewhere.
SettingsStore& CharacterSettings();
void SetCharacterSettingsForTesting(SettingsStore* store);

// The state of the one main window.
MainWindowState& MainState();
// Forgets all state (at creation and at the end of the run).
void ResetMainState();

// How the window starts a check worker; tests replace it to hold a check open.
using WorkerStarter = std::function<void(CheckStartBlock)>;
void SetWorkerStarterForTesting(WorkerStarter starter);

// How an IDLE watcher's thread waits for mail; tests replace the connection.
void SetIdleRunnerForTesting(IdleThreads::Runner runner);

}  // namespace pell
