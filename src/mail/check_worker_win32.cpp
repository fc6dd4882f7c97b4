// Starts the check of one account on a detached thread with the platform's
// services and the run's settings file.
#include <memory>
#include <thread>

#include "mail/check_services.h"
#include "mail/check_worker.h"
#include "mail/run_settings_store.h"
#include "mail/seen_uidl_store.h"
#include "startup/process_values.h"
#include "startup/startup_win32.h"

namespace pell {

void StartCheckWorker(CheckStartBlock block) {
    // Counted before the thread runs, so that an exit right now waits for it.
    auto ticket = std::make_unique<CheckWorkerTicket>();
    std::thread([block = std::move(block), ticket = std::move(ticket)]() mutable {
        {
            std::unique_ptr<Network> network = MakePlatformNetwork();
            std::unique_ptr<Clock> clock = MakeLocalClock();
            std::unique_ptr<SoundPlayer> sound = MakeSoundPlayer();
            std::unique_ptr<DialupProbe> dialup = MakeDialupProbe();
            RunSettingsStore settings(Settings(), block.run);
            SeenUidlFile seenUidls(SeenUidlPathFor(Process().settingsPath), PlatformFileAccess());
            CheckEnvironment env{settings, *network, *clock, *sound, *dialup, DebugTrace};
            env.seenUidls = &seenUidls;
            RunCheckCycle(block, env);
        }
        block = CheckStartBlock{};
        ticket.reset();
    }).detach();
}

}  // namespace pell
