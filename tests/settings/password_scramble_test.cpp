#include "settings/password_scramble.h"

#include <gtest/gtest.h>

namespace pell {
namespace {

TEST(ScramblePassword, KnownForms) {
    // 'a' = 0x61: high 6 ^ 'W', low 1 ^ 'e'; then the key goes on with 'x', 'd'.
    EXPECT_EQ(ScramblePassword("a"), std::string({'W' ^ 6, 'e' ^ 1}));
    EXPECT_EQ(ScramblePassword("ab"), std::string({'W' ^ 6, 'e' ^ 1, 'x' ^ 6, 'd' ^ 2}));
    EXPECT_EQ(ScramblePassword(""), "");
    // A byte with the top bit set keeps its sign in the high nibble.
    EXPECT_EQ(ScramblePassword("\x82"), std::string({static_cast<char>('W' ^ 0xF8), 'e' ^ 2}));
}

TEST(ScramblePassword, RoundTripsEveryNonZeroByte) {
    std::string all;
    for (int b = 1; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    for (std::size_t start = 0; start < all.size(); start += 30) {
        const std::string password = all.substr(start, 30);
        const std::string stored = ScramblePassword(password);
        EXPECT_EQ(stored.size(), password.size() * 2);
        EXPECT_EQ(stored.find('\0'), std::string::npos);
        EXPECT_EQ(UnscramblePassword(stored), password);
    }
}

TEST(ScramblePassword, ThirtyCharactersAreStoredAsSixty) {
    const std::string password = "abcdefghijklmnopqrstuvwxyz0123";
    ASSERT_EQ(password.size(), kMaxPasswordLength);
    EXPECT_EQ(ScramblePassword(password).size(), kMaxScrambledLength);
    EXPECT_EQ(UnscramblePassword(ScramblePassword(password)), password);
}

TEST(UnscramblePassword, OddLengthEndsWithALowNibbleOfZero) {
    std::string stored = ScramblePassword("ab");
    stored.pop_back();
    EXPECT_EQ(UnscramblePassword(stored), std::string("a\x60"));
    // A pair that decodes to zero is dropped.
    EXPECT_EQ(UnscramblePassword(std::string({'W', 'e'})), "");
}

}  // namespace
}  // namespace pell
