// The tooltip's lines, colours and place.
#include "notify/tooltip_layout.h"

#include <gtest/gtest.h>

#include "character/temp_settings.h"
#include "notify/user_presence.h"

namespace pell {
namespace {

TEST(TooltipLayout, LineAndColourByStatus) {
    const struct {
        int count, status;
        const char* text;
        std::uint32_t colour;
    } cases[] = {
        {3, 0, "3件 Home", 0x000000},
        {-5, 0, "0件 Home", 0x000000},
        {1, -6, "1件 Home(新着ﾒｰﾙ)", 0xFF0000},
        {0, -1, "0件 Home(未ﾁｪｯｸ)", 0x6EA0A0},
        {0, -3, "0件 Home(ﾁｪｯｸ中)", 0x6EA0A0},
        {0, 1, "0件 Home(ｴﾗｰ)", 0x4040FF},
        {2, 5, "2件 Home(ｿｹｯﾄの接続に失敗)", 0x4040FF},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        const TooltipLine line = TooltipAccountLine(c.count, "Home", c.status);
        EXPECT_EQ(line.text, c.text);
        EXPECT_EQ(line.colour, c.colour);
    }
}

TEST(TooltipLayout, LinesFromTheAccounts) {
    testing_support::TempSettings temp;
    AccountList accounts;
    EXPECT_EQ(TooltipLines(accounts, temp.store).size(), 1u);
    EXPECT_EQ(TooltipLines(accounts, temp.store)[0].text, kTooltipEmptyText);
    accounts.emplace_back("POP1");
    accounts.emplace_back("POP2");
    accounts[0].messageCount = 4;
    accounts[0].status = 0;
    // Nineteen bytes would end inside a double-byte character: it is dropped.
    temp.store.Write("POP1", "Popname", "abcdefghijklmnopqr漢");
    const auto lines = TooltipLines(accounts, temp.store);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, "4件 abcdefghijklmnopqr");
    EXPECT_EQ(lines[1].text, "0件 (未ﾁｪｯｸ)") << "a missing name stays empty";
}

TEST(TooltipLayout, KeepsInsideTheDesktop) {
    const DesktopRect desktop{0, 0, 1280, 800};
    const struct {
        int left, top;
        int x, y;
    } cases[] = {
        {100, 100, 100, 100},
        {1200, 100, 1280 - 106, 100},    // shifted left to the edge
        {100, 780, 100, 780 - 40 - 28},  // above the pointer
        {1174, 755, 1174, 755},          // exactly fits
    };
    for (const auto& c : cases) {
        const TooltipRect rect = PlaceTooltip(c.left, c.top, 100, 40, desktop);
        EXPECT_EQ(rect.x, c.x) << c.left;
        EXPECT_EQ(rect.y, c.y) << c.top;
        EXPECT_EQ(rect.width, 106);
        EXPECT_EQ(rect.height, 45);
    }
}

TEST(UserPresence, QuietStates) {
    const bool quiet[] = {false, false, true, true, true, false, true, false, false};
    for (int state = 0; state < 9; ++state)
        EXPECT_EQ(IsQuietNotificationState(state), quiet[state]) << state;
}

TEST(UserPresence, NewMailSoundIsSilentWhileTheUserIsBusy) {
    class Recorder final : public SoundPlayer {
      public:
        explicit Recorder(std::vector<std::string>& played) : played_(played) {}
        void PlayAsync(const std::string& file) override { played_.push_back(file); }

      private:
        std::vector<std::string>& played_;
    };
    class Presence final : public UserPresence {
      public:
        bool IsBusy() override { return busy; }
        bool busy = false;
    };
    // The state at each of three notices, and the sounds heard.
    const struct {
        bool busy[3];
        std::vector<std::string> played;
    } cases[] = {
        {{false, false, false}, {"1.wav", "2.wav", "3.wav"}},
        {{true, true, true}, {}},
        {{true, false, true}, {"2.wav"}},  // asked at each sound, none played late
    };
    for (const auto& c : cases) {
        std::vector<std::string> played;
        Presence presence;
        QuietWhileBusySound sound(std::make_unique<Recorder>(played), presence);
        for (int i = 0; i < 3; ++i) {
            presence.busy = c.busy[i];
            sound.PlayAsync(std::to_string(i + 1) + ".wav");
        }
        EXPECT_EQ(played, c.played);
    }
}

}  // namespace
}  // namespace pell
