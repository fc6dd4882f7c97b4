#include "character/window_check_host_win32.h"

#include <mutex>
#include <set>

#include "character/host_messages.h"

namespace pell {
namespace {

// The notices in flight, shared with the workers. Never destroyed: a worker
// may still be on its way out when the program ends.
struct NoticesInFlight {
    std::mutex lock;
    std::set<const void*> notices;
};

NoticesInFlight& InFlight() {
    static NoticesInFlight* inFlight = new NoticesInFlight;
    return *inFlight;
}

void RegisterNotice(const void* notice) {
    std::lock_guard<std::mutex> guard(InFlight().lock);
    InFlight().notices.insert(notice);
}

class WindowCheckHost final : public CheckHost {
  public:
    WindowCheckHost(HWND window, std::shared_ptr<CheckRun> run)
        : window_(window), run_(std::move(run)) {}

    void ShowThinkingFace() override { Post(MSG_HOST_THINK, 0, 0); }
    void SetTimer(std::uint32_t id, std::uint32_t milliseconds) override {
        Post(MSG_HOST_SETTIMER, id, static_cast<LPARAM>(milliseconds));
    }
    void KillTimer(std::uint32_t id) override { Post(MSG_HOST_KILLTIMER, id, 0); }
    void SetLastNewMailAccount(int index) override {
        Post(MSG_HOST_LASTNEWMAIL, 0, static_cast<LPARAM>(index));
    }
    void ClearCheckRunning() override {
        // Sent even for a run abandoned meanwhile: the window ignores stale ids.
        PostMessageA(window_, MSG_HOST_WORKERDONE, 0, RunIdParam(run_->id()));
    }
    void PostNewMail(std::unique_ptr<NewMailNotice> notice) override {
        if (!notice || run_->abandoned())
            return;
        // The message owns the notice; it stays ours when it cannot be posted.
        RegisterNotice(notice.get());
        if (PostMessageA(window_, MSG_NEWMAIL, 0, reinterpret_cast<LPARAM>(notice.get()))) {
            notice.release();
        } else {
            TakeNoticeInFlight(notice.get());
        }
    }
    void PostCheckDone() override { Post(MSG_CHECKDONE, 0, 0); }

  private:
    void Post(UINT message, WPARAM wParam, LPARAM lParam) {
        if (!run_->abandoned())
            PostMessageA(window_, message, wParam, lParam);
    }

    HWND window_;
    std::shared_ptr<CheckRun> run_;
};

}  // namespace

bool TakeNoticeInFlight(const void* notice) {
    std::lock_guard<std::mutex> guard(InFlight().lock);
    return InFlight().notices.erase(notice) == 1;
}

std::shared_ptr<CheckHost> MakeWindowCheckHost(HWND window, std::shared_ptr<CheckRun> run) {
    return std::make_shared<WindowCheckHost>(window, std::move(run));
}

}  // namespace pell
