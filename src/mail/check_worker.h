#pragma once
// Starting the check of one account on a worker thread of its own.
#include <cstdint>
#include <memory>

#include "mail/check_host.h"
#include "mail/check_run.h"
#include "settings/account_list.h"

namespace pell {

// What the main window hands to the worker.
struct CheckStartBlock {
    std::shared_ptr<CheckHost> host;        // the main window side
    std::uint32_t timerId = 0;              // check timer id of the account (10 + index)
    std::shared_ptr<AccountList> accounts;  // the account list
    bool passRunning = false;               // a check-all pass is under way
    std::shared_ptr<CheckRun> run;          // lets the main window abandon the check
};

// Starts a detached worker thread that runs the check cycle for the account
// whose timer id is block.timerId, with this platform's sockets, clock, sound,
// dial-up probe and the run's settings file.
void StartCheckWorker(CheckStartBlock block);

}  // namespace pell
