// What a mouse message on the icon does, and how a skin change treats the icon.
#include "character/tray_rules.h"

#include <gtest/gtest.h>

namespace pell {
namespace {

TEST(TrayNotify, MouseMessages) {
    const struct {
        unsigned message;
        bool checksNow;
        TrayNotifyAction action;
        unsigned command;
    } cases[] = {
        {515, true, TrayNotifyAction::kCommand, 297},   // double click: check now
        {515, false, TrayNotifyAction::kCommand, 256},  // double click: settings
        {517, false, TrayNotifyAction::kOpenMenu, 0},   // right button up
        {516, false, TrayNotifyAction::kNothing, 0},    // right button down
        {513, true, TrayNotifyAction::kNothing, 0},     // left button down
        {512, true, TrayNotifyAction::kNothing, 0},     // mouse move
        {0, false, TrayNotifyAction::kNothing, 0},
    };
    for (const auto& c : cases) {
        const TrayNotifyDecision d = DecideTrayNotify(c.message, c.checksNow);
        EXPECT_EQ(d.action, c.action) << c.message;
        EXPECT_EQ(d.command, c.command) << c.message;
    }
}

TEST(TraySkinChange, FollowsTaskTray) {
    EXPECT_EQ(DecideSkinChangeStep(true, true), TraySkinStep::kModify);
    EXPECT_EQ(DecideSkinChangeStep(true, false), TraySkinStep::kAdd);
    EXPECT_EQ(DecideSkinChangeStep(false, true), TraySkinStep::kDelete);
    EXPECT_EQ(DecideSkinChangeStep(false, false), TraySkinStep::kDelete);
}

}  // namespace
}  // namespace pell
