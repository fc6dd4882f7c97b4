#include "dialogs/connection_test_job.h"

#include <thread>

#include "mail/check_worker.h"
#include "mail/mail_session.h"
#include "mail/status_codes.h"

namespace pell {

std::shared_ptr<ConnectionTestJob> ConnectionTestJob::Start(std::unique_ptr<Network> network,
                                                            PopSessionInput in,
                                                            std::function<void()> done) {
    std::shared_ptr<ConnectionTestJob> job(new ConnectionTestJob());
    // Counted like a check's worker, so that the program's exit waits for it
    // as it waits for a check.
    auto ticket = std::make_unique<CheckWorkerTicket>();
    std::thread([job, network = std::move(network), in = std::move(in), done = std::move(done),
                 ticket = std::move(ticket)]() mutable {
        PopSessionHooks hooks;
        hooks.run = &job->run_;
        if (network) {
            RunMailSession(*network, in, job->output_, hooks);
        } else {
            job->output_.result = kStatusSocketLibrary;
        }
        job->finished_.store(true, std::memory_order_release);
        if (done)
            done();
        ticket.reset();
    }).detach();
    return job;
}

}  // namespace pell
