// A stand-in for the check worker until the real one exists: the account
// "checks" at once with status 0 and the run ends the way a worker's does.
#include <thread>

#include "mail/check_worker.h"

namespace pell {

void StartCheckWorker(CheckStartBlock block) {
    std::thread([block = std::move(block)]() {
        AccountEntry* entry = nullptr;
        for (AccountEntry& candidate : *block.accounts) {
            if (candidate.timerId.load() == block.timerId) {
                entry = &candidate;
                break;
            }
        }
        if (!entry || !block.run->Commit())
            return;
        entry->status = 0;
        block.host->ClearCheckRunning();
        block.host->PostCheckDone();
    }).detach();
}

}  // namespace pell
