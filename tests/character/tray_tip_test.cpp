// Tip texts of the notification icon by occasion, and the Shift_JIS-safe cut.
#include "character/tray_tip.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "character/shift_jis_cut.h"
#include "character/temp_settings.h"

namespace pell {
namespace {

using testing_support::TempSettings;

enum class Title { kMissing, kEmpty, kSet };

struct TipCase {
    Title title;
    TipOccasion occasion;
    std::optional<std::string> skinTip;
    std::string expected;
};

TEST(TrayTip, ByOccasionTitleAndSkin) {
    const TipCase cases[] = {
        {Title::kMissing, TipOccasion::kShowing, std::nullopt, "Pell Watcher"},
        {Title::kEmpty, TipOccasion::kShowing, std::nullopt, "Pell Watcher"},
        {Title::kSet, TipOccasion::kShowing, std::nullopt, "受信箱"},
        {Title::kMissing, TipOccasion::kRefresh, std::nullopt, "Pell Watcher"},
        {Title::kEmpty, TipOccasion::kRefresh, std::nullopt, ""},
        {Title::kSet, TipOccasion::kRefresh, std::nullopt, "受信箱"},
        {Title::kMissing, TipOccasion::kBlink, std::nullopt, ""},
        {Title::kEmpty, TipOccasion::kBlink, std::nullopt, ""},
        {Title::kSet, TipOccasion::kBlink, std::nullopt, "受信箱"},
        // A skin's own tip wins on every occasion.
        {Title::kSet, TipOccasion::kShowing, "ｽｷﾝの子", "ｽｷﾝの子"},
        {Title::kMissing, TipOccasion::kRefresh, "ｽｷﾝの子", "ｽｷﾝの子"},
        {Title::kEmpty, TipOccasion::kBlink, "ｽｷﾝの子", "ｽｷﾝの子"},
        // A skin without a tip leaves it to Title.
        {Title::kMissing, TipOccasion::kShowing, "", "Pell Watcher"},
    };
    for (const TipCase& c : cases) {
        TempSettings file;
        IniFileStore& store = file.store;
        if (c.title == Title::kEmpty)
            store.Write("Control", "Title", "");
        if (c.title == Title::kSet)
            store.Write("Control", "Title", "受信箱");
        std::optional<std::string_view> skin;
        if (c.skinTip)
            skin = *c.skinTip;
        EXPECT_EQ(TrayTipText(store, c.occasion, skin), c.expected)
            << "title " << static_cast<int>(c.title) << " occasion "
            << static_cast<int>(c.occasion);
    }
}

TEST(TrayTip, LongTitleAndSkinTipFitTheTipField) {
    TempSettings file;
    IniFileStore& store = file.store;
    store.Write("Control", "Title", std::string(100, 'x'));
    EXPECT_EQ(TrayTipText(store, TipOccasion::kShowing, std::nullopt), std::string(63, 'x'));
    // 40 double-byte characters: 31 of them fill 62 bytes, the 32nd would not fit.
    std::string wide;
    for (int i = 0; i < 40; ++i)
        wide += "表";
    EXPECT_EQ(TrayTipText(store, TipOccasion::kBlink, wide), wide.substr(0, 62));
}

struct CutCase {
    std::string text;
    std::size_t maxBytes;
    std::string expected;
};

TEST(ShiftJisCut, KeepsWholeCharacters) {
    const CutCase cases[] = {
        {"abc", 63, "abc"},
        {"abcdef", 3, "abc"},
        {"a表示", 2, "a"},  // the lead byte of 表 would be the 2nd byte
        {"a表示", 3, "a表"},
        {"ﾒｰﾙ表", 4, "ﾒｰﾙ"},   // half-width kana are single bytes
        {"ﾒｰﾙ表", 4, "ﾒｰﾙ"},   // half-width kana are single bytes
        {"ab\x95", 10, "ab"},  // a lead byte without its second byte
        {"\x95\x5C"
         "x",
         2, "表"},  // 0x5C as a second byte is not a character of its own
    };
    for (const CutCase& c : cases) {
        EXPECT_EQ(CutShiftJis(c.text, c.maxBytes), c.expected) << c.text << " / " << c.maxBytes;
    }
}

}  // namespace
}  // namespace pell
