// The notification-area icon against the platform's shell.
#include "character/tray_icon_win32.h"

#include <gtest/gtest.h>

#include <string>

#include "character/temp_settings.h"
#include "character/test_window_win32.h"
#include "character/window_messages.h"

namespace pell {
namespace {

using testing_win32::TestWindow;

class TrayIconWin32 : public ::testing::Test {
  protected:
    std::string Read(const char* key) { return store_->ReadText("Control", key, "<none>", 64); }

    testing_support::TempSettings file_;
    IniFileStore* store_ = &file_.store;
    TestWindow window_{0, 0, 32, 32, false};
};

TEST_F(TrayIconWin32, TaskTrayOffAtCreationShowsNothingAndLeavesBlinkIconUnread) {
    store_->Write("Control", "TaskTray", "No");
    TrayIcon tray(*store_);
    tray.AddAtCreation(window_.get(), nullptr);
    EXPECT_FALSE(tray.present());
    EXPECT_FALSE(tray.blinkIconOn());
    EXPECT_EQ(Read("BlinkIcon"), "<none>");
    // Turning TaskTray on adds the icon with the next skin application.
    store_->Write("Control", "TaskTray", "Yes");
    tray.ApplyAfterSkinChange(window_.get(), nullptr);
    EXPECT_TRUE(tray.present());
    tray.Delete(window_.get());
}

TEST_F(TrayIconWin32, LifecycleOfTheIcon) {
    TrayIcon tray(*store_);
    tray.AddAtCreation(window_.get(), nullptr);
    ASSERT_TRUE(tray.present()) << "the shell refused the icon";
    EXPECT_EQ(Read("TaskTray"), "Yes");  // missing flags are written back
    EXPECT_EQ(Read("BlinkIcon"), "Yes");
    EXPECT_TRUE(tray.blinkIconOn());

    tray.ShowMailIcon(window_.get(), nullptr, true);
    tray.StartBlinking();
    EXPECT_TRUE(tray.blinkPhase());
    tray.BlinkTick(window_.get(), nullptr);
    EXPECT_FALSE(tray.blinkPhase());
    tray.BlinkTick(window_.get(), nullptr);
    EXPECT_TRUE(tray.blinkPhase());
    tray.ShowMailIcon(window_.get(), nullptr, false);

    // The task bar restarted: the icon comes back.
    tray.ReAdd(window_.get(), nullptr);
    EXPECT_TRUE(tray.present());

    // A reload reads BlinkIcon again; off, ticks only flip the phase.
    store_->Write("Control", "BlinkIcon", "No");
    tray.ReadBlinkFlag();
    EXPECT_FALSE(tray.blinkIconOn());
    tray.BlinkTick(window_.get(), nullptr);
    EXPECT_FALSE(tray.blinkPhase());

    // TaskTray switched off in the settings: the skin application deletes it,
    // and re-adding keeps it away.
    store_->Write("Control", "TaskTray", "No");
    tray.ApplyAfterSkinChange(window_.get(), nullptr);
    EXPECT_FALSE(tray.present());
    tray.ReAdd(window_.get(), nullptr);
    EXPECT_FALSE(tray.present());
}

TEST_F(TrayIconWin32, DoubleClickCommandFollowsTrayDblClickAct) {
    TrayIcon tray(*store_);
    const AccountList none;
    tray.HandleNotify(window_.get(), WM_LBUTTONDBLCLK, none);
    EXPECT_EQ(Read("TrayDblClickAct"), "No");
    store_->Write("Control", "TrayDblClickAct", "yes");
    tray.HandleNotify(window_.get(), WM_LBUTTONDBLCLK, none);
    tray.HandleNotify(window_.get(), WM_LBUTTONDOWN, none);
    tray.HandleNotify(window_.get(), WM_MOUSEMOVE, none);
    EXPECT_EQ(window_.commands(), (std::vector<unsigned>{256, 297}));
}

TEST(TrayReAddMessage, FixedAndRegisteredNumbers) {
    EXPECT_TRUE(IsTrayReAddMessage(MSG_TRAYREADD));
    EXPECT_TRUE(IsTrayReAddMessage(TaskbarCreatedMessage()));
    EXPECT_EQ(TaskbarCreatedMessage(), RegisterWindowMessageA("TaskbarCreated"));
    EXPECT_FALSE(IsTrayReAddMessage(MSG_TRAYNOTIFY));
    EXPECT_FALSE(IsTrayReAddMessage(0));
}

}  // namespace
}  // namespace pell
