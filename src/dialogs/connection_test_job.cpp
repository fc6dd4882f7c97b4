#include "dialogs/connection_test_job.h"

#include <thread>

#include "mail/mail_session.h"
#include "mail/status_codes.h"

namespace pell {

std::shared_ptr<ConnectionTestJob> ConnectionTestJob::Start(std::unique_ptr<Network> network,
                                                            PopSessionInput in,
                                                            std::function<void()> done) {
    std::shared_ptr<ConnectionTestJob> job(new ConnectionTestJob());
    std::thread([job, network = std::move(network), in = std::move(in), done = std::move(done)] {
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
    }).detach();
    return job;
}

}  // namespace pell
