// The character's timers run only while they have work: the animation only
// while the letter face shows, the tooltip time-out only with a tooltip open,
// the icon blink only with an icon to blink.
#include <windows.h>

#include <gtest/gtest.h>

#include "character/character_window_test_win32.h"
#include "character/main_window_state_win32.h"
#include "character/skin_win32.h"
#include "character/window_messages.h"
#include "mail/status_codes.h"

namespace pell {
namespace {

using testing_win32::Pump;

class MainWindowTimersTest : public testing_win32::CharacterWindowTest {
  protected:
    void SetUp() override {
        CharacterWindowTest::SetUp();
        ListAccounts(1);
        store_->Write("POP1", "Timer", "0");
        store_->Write("POP1", "Popname", "Home");
        SetCursorPos(0, 0);  // away from the character
    }
    // Whether the timer was running (it is stopped by asking).
    bool Ran(UINT id) { return KillTimer(main_, id) != FALSE; }
    void Tick(UINT id) { SendMessageA(main_, WM_TIMER, id, 0); }
};

TEST_F(MainWindowTimersTest, AnimationRunsOnlyWhileTheLetterFaceShows) {
    const struct {
        const char* animationTimer;
        bool runsWithLetter;
    } cases[] = {{"200", true}, {"0", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.animationTimer);
        store_->Write("Control", "AnimationTimer", c.animationTimer);
        CreateMain();
        MainWindowState& state = MainState();
        state.mailState = 1;
        // The pleased or the error face: the first tick stops the timer.
        for (int face : {2, 4, 5}) {
            SetFace(main_, face);
            SetTimer(main_, 5, 200, nullptr);
            Tick(5);
            EXPECT_FALSE(Ran(5)) << "face " << face;
        }
        // The pointer is away: the face update brings the letter back, and
        // its animation with it.
        state.faceTimerArmed = true;
        state.animationPhase = true;
        Tick(1);
        EXPECT_EQ(state.face, 3);
        EXPECT_EQ(Ran(5), c.runsWithLetter);
        EXPECT_FALSE(state.animationPhase) << "the letter starts at its first frame";
        DestroyMain();
    }
}

TEST_F(MainWindowTimersTest, TooltipTimeOutAndBlinkNeedSomethingToWorkOn) {
    CreateMain();
    // The tooltip delay ends without a tooltip (the pointer moved on since it
    // began): no time-out follows.
    POINT pointer{};
    GetCursorPos(&pointer);
    MainState().lastPointer = POINT{pointer.x + 50, pointer.y + 50};
    Tick(3);
    EXPECT_FALSE(Ran(4));

    // A reload reads BlinkIcon again while there is no icon: new mail starts
    // the animation but no blink.
    SendMessageA(main_, MSG_SETTINGSCHANGED, 0, 0);
    Pump();
    ASSERT_TRUE(MainState().tray.blinkIconOn());
    ASSERT_FALSE(MainState().tray.present());
    (*MainState().scheduler->accounts())[0].status = kStatusNewMail;
    (*MainState().scheduler->accounts())[0].messageCount = 1;
    SendMessageA(main_, MSG_CHECKDONE, 0, 0);
    Pump();
    EXPECT_EQ(MainState().mailState, 1);
    EXPECT_TRUE(Ran(5));
    EXPECT_FALSE(Ran(6));

    // BlinkIcon switched off while blinking: the next tick stops the timer.
    store_->Write("Control", "BlinkIcon", "No");
    MainState().tray.ReadBlinkFlag();
    SetTimer(main_, 6, 1000, nullptr);
    Tick(6);
    EXPECT_FALSE(Ran(6));
}

}  // namespace
}  // namespace pell
