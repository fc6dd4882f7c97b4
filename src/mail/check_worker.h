#pragma once
// Starting the check of one account on a worker thread of its own.
#include <chrono>
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

// Waits until every worker started by StartCheckWorker has ended, at most
// `limit`; true when none runs any more. At exit the running check is
// abandoned first, so that its worker returns from a blocking call at once.
bool WaitForCheckWorkers(std::chrono::milliseconds limit);

// Held by a worker for its whole run, so that WaitForCheckWorkers sees it.
class CheckWorkerTicket {
  public:
    CheckWorkerTicket();
    ~CheckWorkerTicket();
    CheckWorkerTicket(const CheckWorkerTicket&) = delete;
    CheckWorkerTicket& operator=(const CheckWorkerTicket&) = delete;
};

}  // namespace pell
