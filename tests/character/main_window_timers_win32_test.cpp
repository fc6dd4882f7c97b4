// The character's timers run only while they have work: the animation only
// while the letter face shows, the tooltip time-out only with a tooltip open,
// the icon blink only with an icon to blink.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "character/main_window_state_win32.h"
#include "character/skin_win32.h"
#include "character/window_messages.h"
#include "mail/status_codes.h"
#include "settings/ini_file_store.h"
#include "startup/startup_win32.h"

namespace pell {
namespace {

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message != WM_QUIT)
            DispatchMessageA(&msg);
    }
}

class MainWindowTimersTest : public ::testing::Test {
  protected:
    void SetUp() override {
        path_ = ::testing::TempDir() + "main_window_timers.ini";
        std::remove(path_.c_str());
        store_ = std::make_unique<IniFileStore>(path_);
        SetCharacterSettingsForTesting(store_.get());
        const char* keys[][3] = {{"Control", "posx", "100"},    {"Control", "posy", "120"},
                                 {"Control", "TaskTray", "No"}, {"Poplist", "Count", "1"},
                                 {"Poplist", "List1", "POP1"},  {"POP1", "Timer", "0"},
                                 {"POP1", "Popname", "Home"}};
        for (const auto& key : keys)
            store_->Write(key[0], key[1], key[2]);
        static const bool registered = RegisterWindowClasses(GetModuleHandleA(nullptr)) != 0;
        (void)registered;
        SetCursorPos(0, 0);  // away from the character
    }
    void TearDown() override {
        if (window_)
            DestroyWindow(window_);
        Pump();
        SetCharacterSettingsForTesting(nullptr);
        store_.reset();
        std::remove(path_.c_str());
    }
    void Create() {
        window_ = CreateWindowExA(WS_EX_TOOLWINDOW, "Pell32WClass", "Pell32 VESK timers under test",
                                  WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window_, nullptr);
        Pump();
    }
    // Whether the timer was running (it is stopped by asking).
    bool Ran(UINT id) { return KillTimer(window_, id) != FALSE; }
    void Tick(UINT id) { SendMessageA(window_, WM_TIMER, id, 0); }

    std::string path_;
    std::unique_ptr<IniFileStore> store_;
    HWND window_ = nullptr;
};

TEST_F(MainWindowTimersTest, AnimationRunsOnlyWhileTheLetterFaceShows) {
    const struct {
        const char* animationTimer;
        bool runsWithLetter;
    } cases[] = {{"200", true}, {"0", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.animationTimer);
        store_->Write("Control", "AnimationTimer", c.animationTimer);
        Create();
        MainWindowState& state = MainState();
        state.mailState = 1;
        // The pleased or the error face: the first tick stops the timer.
        for (int face : {2, 4, 5}) {
            SetFace(window_, face);
            SetTimer(window_, 5, 200, nullptr);
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
        DestroyWindow(window_);
        window_ = nullptr;
        Pump();
    }
}

TEST_F(MainWindowTimersTest, TooltipTimeOutAndBlinkNeedSomethingToWorkOn) {
    Create();
    // The tooltip delay ends without a tooltip (the pointer moved on since it
    // began): no time-out follows.
    POINT pointer{};
    GetCursorPos(&pointer);
    MainState().lastPointer = POINT{pointer.x + 50, pointer.y + 50};
    Tick(3);
    EXPECT_FALSE(Ran(4));

    // A reload reads BlinkIcon again while there is no icon: new mail starts
    // the animation but no blink.
    SendMessageA(window_, MSG_SETTINGSCHANGED, 0, 0);
    Pump();
    ASSERT_TRUE(MainState().tray.blinkIconOn());
    ASSERT_FALSE(MainState().tray.present());
    (*MainState().scheduler->accounts())[0].status = kStatusNewMail;
    (*MainState().scheduler->accounts())[0].messageCount = 1;
    SendMessageA(window_, MSG_CHECKDONE, 0, 0);
    Pump();
    EXPECT_EQ(MainState().mailState, 1);
    EXPECT_TRUE(Ran(5));
    EXPECT_FALSE(Ran(6));

    // BlinkIcon switched off while blinking: the next tick stops the timer.
    store_->Write("Control", "BlinkIcon", "No");
    MainState().tray.ReadBlinkFlag();
    SetTimer(window_, 6, 1000, nullptr);
    Tick(6);
    EXPECT_FALSE(Ran(6));
}

}  // namespace
}  // namespace pell
