#include "settings/settings_conventions.h"

#include <gtest/gtest.h>

#include "settings/ini_file_store.h"
#include "settings/timer_periods.h"
#include "support/temp_file.h"

namespace pell {
namespace {

using testing::TempFile;

TEST(ReadFlag, JudgesTexts) {
    struct Case {
        const char* text;
        bool expected;
    };
    const Case cases[] = {{"yes", true},  {"Yes", true},  {"YES", true},  {"TRUE", true},
                          {"true", true}, {"tRuE", true}, {"1", true},    {"on", false},
                          {"No", false},  {"0", false},   {"11", false},  {"FALSE", false},
                          {"yes ", true}, {" 1", true},   {"yess", false}};
    TempFile file;
    IniFileStore store(file.path());
    for (const Case& c : cases) {
        store.Write("Control", "Flag", c.text);
        EXPECT_EQ(ReadFlag(store, "Control", "Flag", "No"), c.expected) << "'" << c.text << "'";
    }
}

TEST(ReadFlag, MissingOrEmptyIsWrittenBackWithTheDefault) {
    TempFile file;
    file.Write("[Control]\r\nEmpty=\r\n");
    IniFileStore store(file.path());
    EXPECT_TRUE(ReadFlag(store, "Control", "TaskTray", "Yes"));
    EXPECT_EQ(store.ReadText("Control", "TaskTray", "", 16), "Yes");
    FlagReading reading = ReadFlagText(store, "Control", "Empty", "No");
    EXPECT_FALSE(reading.value);
    EXPECT_EQ(reading.text, "No");
    EXPECT_EQ(store.ReadText("Control", "Empty", "", 16), "No");
}

TEST(ReadHexColor, FollowsTheDigitRule) {
    struct Case {
        const char* text;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {"D2FFFF", 0xD2FFFF},
        {"d2ffff", 0xD2FFFF},
        {"FF0000", 0xFF0000},
        {"0", 0},
        {"123456789", 0x23456789},
        {"7845ff", 0x7845FF},
        {"G", 0},      // 'G' - '0' = 23, minus 7 = 16, & 15 = 0
        {"#1", 0x31},  // "#" gives 3 by the rule, without an error
    };
    TempFile file;
    IniFileStore store(file.path());
    for (const Case& c : cases) {
        store.Write("POP1", "TextColor", c.text);
        EXPECT_EQ(ReadHexColor(store, "POP1", "TextColor", 0x123), c.expected) << c.text;
    }
    EXPECT_EQ(ReadHexColor(store, "POP1", "Missing", 0xE6FFFF), 0xE6FFFFu);
}

TEST(ReadRepairingNumber, NegativeOrMissingIsReplacedAndWrittenBack) {
    TempFile file;
    file.Write("[Control]\r\nAnimationTimer=-20\r\nFaceDelay=0\r\nToolTipDelay=15\r\nBad=abc\r\n");
    IniFileStore store(file.path());
    EXPECT_EQ(ReadRepairingNumber(store, "Control", "AnimationTimer", 200), 200);
    EXPECT_EQ(store.ReadText("Control", "AnimationTimer", "", 16), "200");
    EXPECT_EQ(ReadRepairingNumber(store, "Control", "FaceDelay", 8), 0);
    EXPECT_EQ(ReadRepairingNumber(store, "Control", "ToolTipDelay", 10), 15);
    EXPECT_EQ(ReadRepairingNumber(store, "Control", "TaskTrayTimer", 1000), 1000);
    EXPECT_EQ(store.ReadText("Control", "TaskTrayTimer", "", 16), "1000");
    // Text without digits reads as 0, as atoi would give.
    EXPECT_EQ(ReadRepairingNumber(store, "Control", "Bad", 5), 0);
}

TEST(ParseDecimal, SaturatesInsteadOfOverflowing) {
    EXPECT_EQ(ParseDecimal("99999999999999999999"), 2147483647);
    EXPECT_EQ(ParseDecimal("-99999999999999999999"), -2147483647 - 1);
    EXPECT_EQ(ParseDecimal("  -12abc"), -12);
    EXPECT_EQ(ParseDecimal(""), 0);
}

TEST(TimerPeriodMs, StaysBetween50MsAndThePlatformLimit) {
    struct Case {
        std::int64_t count, unit;
        std::uint32_t expected;
    };
    const Case cases[] = {{0, 1, 50},
                          {1, 1, 50},
                          {49, 1, 50},
                          {51, 1, 51},
                          {-5, 100, 50},
                          {8, 100, 800},
                          {3, 1000, 3000},
                          {2147483647, 1000, 0x7FFFFFFF},
                          {999999999999, 1, 0x7FFFFFFF}};
    for (const Case& c : cases)
        EXPECT_EQ(TimerPeriodMs(c.count, c.unit), c.expected) << c.count << " x " << c.unit;
}

}  // namespace
}  // namespace pell
