#include "startup/text_search.h"

#include <gtest/gtest.h>

namespace pell {
namespace {

TEST(FindText, Table) {
    struct Case {
        const char* text;
        const char* pattern;
        std::size_t exact;
        std::size_t noCase;
    };
    const Case cases[] = {
        {"Delivery-Date: x\r\nDate: y", "Date:", 9, 9},
        {"content-TYPE: text", "Content-type:", kNotFound, 0},
        {"", "a", kNotFound, kNotFound},
        {"abc", "", 0, 0},
        {"", "", kNotFound, kNotFound},
        {"ab", "abc", kNotFound, kNotFound},
        {"xxABCabc", "abc", 5, 2},
        {"skin.DLL", ".dll", kNotFound, 4},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindText(c.text, c.pattern), c.exact) << c.text << " / " << c.pattern;
        EXPECT_EQ(FindTextNoCase(c.text, c.pattern), c.noCase) << c.text << " / " << c.pattern;
    }
}

TEST(FindTextNoCase, FoldsOnlyAsciiLetters) {
    // 0x82 0x60 is a Shift_JIS letter; 0x60 + 0x20 would be 0x80, which must not match.
    EXPECT_EQ(FindTextNoCase("\x82\x60", "\x82\x80"), kNotFound);
    EXPECT_EQ(FindTextNoCase("[", "{"), kNotFound);
    EXPECT_EQ(FindTextNoCase("@", "`"), kNotFound);
    EXPECT_EQ(FindTextNoCase("from", "FROM"), 0u);
}

TEST(FindText, StartingPositions) {
    EXPECT_EQ(FindText("a,b,c", ",", 2), 3u);
    EXPECT_EQ(FindTextNoCase("aXbx", "X", 2), 3u);
    EXPECT_EQ(FindText("abc", "a", 3), kNotFound);
}

}  // namespace
}  // namespace pell
