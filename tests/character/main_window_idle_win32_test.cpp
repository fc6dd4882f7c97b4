// The character with an IDLE watcher: a successful check starts it on a
// thread of its own, the mail it announces is checked as if the account's
// timer had fired (after a running check), and a suspend ends it.
#include <windows.h>

#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <mutex>

#include "character/character_window_test_win32.h"
#include "character/main_window_state_win32.h"
#include "mail/status_codes.h"

namespace pell {
namespace {

using testing_win32::Pump;

class MainWindowIdleTest : public testing_win32::CharacterWindowTest {
  protected:
    void SetUp() override {
        CharacterWindowTest::SetUp();
        ListAccounts(1);
        store_->Write("POP1", "Protocol", "1");
        store_->Write("POP1", "Server", "imap.test");
        store_->Write("POP1", "Timer", "1800");
        // A connection that idles, announces mail twice and waits until stopped.
        SetIdleRunnerForTesting(
            [this](const ImapAccount& account, IdleControl& control, const IdleHooks& hooks) {
                server_ = account.server;
                hooks.onIdling();
                hooks.onNewMail();
                hooks.onNewMail();
                control.SetCancelHook([this] {
                    std::lock_guard<std::mutex> guard(lock_);
                    wake_.notify_all();
                });
                std::unique_lock<std::mutex> guard(lock_);
                wake_.wait(guard, [&control] { return control.stopped(); });
                return IdleResult{IdleEnd::kStopped, 0};
            });
        HoldChecks();
    }
    void TearDown() override {
        CharacterWindowTest::TearDown();
        SetIdleRunnerForTesting(nullptr);
    }
    // Pumps the window's messages until `done` or a generous bound.
    bool PumpUntil(const std::function<bool()>& done) {
        for (int i = 0; i < 1000 && !done(); ++i) {
            Pump();
            Sleep(10);
        }
        return done();
    }
    void Finish(CheckStartBlock& block, int status) {
        ASSERT_TRUE(block.run->Commit());
        (*block.accounts)[0].status = status;
        block.host->ClearCheckRunning();
        block.host->PostCheckDone();
    }

    std::mutex lock_;
    std::condition_variable wake_;
    std::string server_;
};

TEST_F(MainWindowIdleTest, AnnouncedMailIsCheckedAsIfTheTimerFired) {
    CreateMain();
    SendMessageA(main_, WM_TIMER, 10, 0);
    ASSERT_EQ(held_.size(), 1u);
    Finish(held_[0], kStatusOk);
    // The first announcement starts a check at once; the second waits for it.
    ASSERT_TRUE(PumpUntil([this] { return held_.size() == 2; }));
    EXPECT_EQ(server_, "imap.test");
    EXPECT_EQ(held_[1].timerId, 10u);
    EXPECT_FALSE(held_[1].passRunning);
    Pump();
    EXPECT_EQ(held_.size(), 2u);
    Finish(held_[1], kStatusNewMail);
    ASSERT_TRUE(PumpUntil([this] { return held_.size() == 3; }));
    EXPECT_EQ(held_[2].timerId, 10u);
    Finish(held_[2], kStatusOk);
    Pump();
    EXPECT_EQ(held_.size(), 3u) << "one watcher, however many checks succeed";

    SendMessageA(main_, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    EXPECT_TRUE(PumpUntil([] { return MainState().idle->liveWatchers() == 0; }));
}

}  // namespace
}  // namespace pell
