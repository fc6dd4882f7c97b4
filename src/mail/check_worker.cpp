#include "mail/check_worker.h"

#include <condition_variable>
#include <mutex>

namespace pell {
namespace {

struct LiveWorkers {
    std::mutex lock;
    std::condition_variable ended;
    int count = 0;
};

// Never destroyed: a worker still stuck in a call that cannot be cancelled
// may end after the program's static objects are gone.
LiveWorkers& Workers() {
    static LiveWorkers* workers = new LiveWorkers;
    return *workers;
}

}  // namespace

CheckWorkerTicket::CheckWorkerTicket() {
    LiveWorkers& workers = Workers();
    std::lock_guard<std::mutex> guard(workers.lock);
    ++workers.count;
}

CheckWorkerTicket::~CheckWorkerTicket() {
    LiveWorkers& workers = Workers();
    std::lock_guard<std::mutex> guard(workers.lock);
    if (--workers.count == 0)
        workers.ended.notify_all();
}

bool WaitForCheckWorkers(std::chrono::milliseconds limit) {
    LiveWorkers& workers = Workers();
    std::unique_lock<std::mutex> guard(workers.lock);
    return workers.ended.wait_for(guard, limit, [&workers] { return workers.count == 0; });
}

}  // namespace pell
