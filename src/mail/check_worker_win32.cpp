// Starts the check of one account on a detached thread with the platform's
// services and the run's settings file.
#include <thread>

#include "mail/check_services.h"
#include "mail/check_worker.h"
#include "mail/run_settings_store.h"
#include "startup/startup_win32.h"

namespace pell {

void StartCheckWorker(CheckStartBlock block) {
    std::thread([block = std::move(block)] {
        std::unique_ptr<Network> network = MakePlatformNetwork();
        std::unique_ptr<Clock> clock = MakeLocalClock();
        std::unique_ptr<SoundPlayer> sound = MakeSoundPlayer();
        std::unique_ptr<DialupProbe> dialup = MakeDialupProbe();
        RunSettingsStore settings(Settings(), block.run);
        CheckEnvironment env{settings, *network, *clock, *sound, *dialup, DebugTrace};
        RunCheckCycle(block, env);
    }).detach();
}

}  // namespace pell
