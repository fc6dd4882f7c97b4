#pragma once
// One connection test on a thread of its own, so that the dialog stays usable
// while it runs. The dialog keeps the job and learns of its end through the
// `done` callback (which runs on the test's thread); cancelling it shuts its
// connection down so that the thread ends soon after the dialog has closed.
#include <atomic>
#include <functional>
#include <memory>

#include "mail/check_run.h"
#include "mail/pop_session.h"
#include "mail/socket_channel.h"

namespace pell {

class ConnectionTestJob {
  public:
    static std::shared_ptr<ConnectionTestJob> Start(std::unique_ptr<Network> network,
                                                    PopSessionInput in, std::function<void()> done);

    void Cancel() { run_.Abandon(); }
    bool finished() const { return finished_.load(std::memory_order_acquire); }
    // The session's result; valid once finished() is true.
    const PopSessionOutput& output() const { return output_; }

  private:
    ConnectionTestJob() : run_(0) {}

    CheckRun run_;
    PopSessionOutput output_;
    std::atomic<bool> finished_{false};
};

}  // namespace pell
