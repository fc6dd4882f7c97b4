#include "mail/cp932_text.h"

#include <gtest/gtest.h>

namespace pell {
namespace {

TEST(Cp932TextTest, ConvertsToUtf8) {
    const std::pair<std::string, std::string> cases[] = {
        {"abc", "abc"},
        {"正常", "\xE6\xAD\xA3\xE5\xB8\xB8"},             // two double-byte characters
        {"ｴﾗｰ", "\xEF\xBD\xB4\xEF\xBE\x97\xEF\xBD\xB0"},  // half-width katakana
        {"\x82", "\xEF\xBF\xBD"},                         // a lead byte at the end
        {"a\x81\x20z", "a\xEF\xBF\xBD z"},                // a lead byte with a bad trail byte
        {"", ""},
    };
    for (const auto& [sjis, utf8] : cases)
        EXPECT_EQ(Cp932ToUtf8(sjis), utf8);
}

TEST(Cp932TextTest, JsonStrings) {
    EXPECT_EQ(JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(JsonString("l1\r\nl2\t"), "\"l1\\r\\nl2\\t\"");
    EXPECT_EQ(JsonString(std::string("\0\x1b", 2)), "\"\\u0000\\u001b\"");
}

}  // namespace
}  // namespace pell
