// The Unicode to code page 932 table, its mapping rules and malformed UTF-8.
#include "mime/unicode_cp932.h"

#include <gtest/gtest.h>

#include <string>

namespace pell {
namespace {

using namespace std::string_literals;

std::string Cp932Of(char32_t scalar) {
    std::string out;
    AppendScalarAsCp932(scalar, out);
    return out;
}

TEST(UnicodeToCp932, MappingRulesForMailFromOtherSystems) {
    const std::pair<char32_t, std::string> cases[] = {
        {0x301C, "\x81\x60"},
        {0xFF5E, "\x81\x60"},
        {0x2016, "\x81\x61"},
        {0x2225, "\x81\x61"},
        {0x2212, "\x81\x7C"},
        {0xFF0D, "\x81\x7C"},
        {0x00A2, "\x81\x91"},
        {0xFFE0, "\x81\x91"},
        {0x00A3, "\x81\x92"},
        {0xFFE1, "\x81\x92"},
        {0x00AC, "\x81\xCA"},
        {0xFFE2, "\x81\xCA"},
        // Ordinary characters, and duplicates of the NEC and IBM rows.
        {'A', "A"},
        {0x3042, "\x82\xA0"},
        {0xFF71, "\xB1"},
        {0x9AD9, "\xFB\xFC"},
        {0x2460, "\x87\x40"},
        {0x2170, "\xFA\x40"},
        {0x2252, "\x81\xE0"},
        {0x00A5, "\\"},
        {0x00A0, " "},
        {0xE000, "\xF0\x40"},
        {0, "\0"s},
        // Nothing for the invisible characters, one mark for what has no code.
        {0x200B, ""},
        {0x200C, ""},
        {0x200D, ""},
        {0xFE0E, ""},
        {0xFE0F, ""},
        {0xFEFF, ""},
        {0x00E9, "〓"},
        {0x1F600, "〓"},
        {0x20AC, "〓"},
        {0x10FFFF, "〓"},
    };
    for (const auto& [scalar, expected] : cases)
        EXPECT_EQ(Cp932Of(scalar), expected) << std::hex << static_cast<unsigned>(scalar);
}

TEST(UnicodeToCp932, EveryCodeOfTheTableComesBackToACodeOfTheSameCharacter) {
    int checked = 0;
    for (unsigned lead = 0; lead < 256; ++lead) {
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
            const char32_t scalar =
                Cp932Scalar(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail));
            if (scalar == 0)
                continue;
            const std::string code = Cp932Of(scalar);
            ASSERT_FALSE(code.empty()) << lead << " " << trail;
            const char32_t back =
                Cp932Scalar(static_cast<unsigned char>(code[0]),
                            static_cast<unsigned char>(code.size() > 1 ? code[1] : 0));
            EXPECT_EQ(back, scalar) << std::hex << lead << " " << trail;
            ++checked;
            if (Cp932CharLength(static_cast<unsigned char>(lead)) == 1)
                break;
        }
    }
    EXPECT_GT(checked, 9000);
}

TEST(Utf8ToCp932, MalformedSequencesGiveOneMarkEach) {
    const std::pair<std::string, std::string> cases[] = {
        {u8"日本語 abc", "日本語 abc"},
        {u8"\U0001F468\u200D\U0001F469\uFE0F!", "〓〓!"},
        {"\xC0\xAF", "〓"},            // overlong "/"
        {"\xE0\x80\xAF", "〓"},        // overlong in three bytes
        {"\xED\xA0\x80x", "〓x"},      // a surrogate
        {"\xF4\x90\x80\x80", "〓"},    // beyond U+10FFFF
        {"\xE6\x97x", "〓x"},          // cut short inside the text
        {"a\xE6\x97", "a〓"},          // cut short by the end
        {"\x80\x80\x80\x80", "〓〓"},  // stray continuation bytes
        {"\xFF\xFEz", "〓〓z"},        // bytes that start nothing
        {u8"\u00A2\u00A3\u00AC", "\x81\x91\x81\x92\x81\xCA"},
    };
    for (const auto& [utf8, expected] : cases) {
        std::string out = ">";
        AppendUtf8AsCp932(utf8, out);
        EXPECT_EQ(out, ">" + expected) << utf8;
    }
    std::string cut;
    AppendUtf8AsCp932("a\xE6\x97", cut, CutTail::kDrop);
    EXPECT_EQ(cut, "a");
}

TEST(Utf8ToCp932, RecognisesWellFormedUtf8) {
    EXPECT_TRUE(IsNonAsciiUtf8(u8"件名"));
    EXPECT_FALSE(IsNonAsciiUtf8("ascii only"));
    EXPECT_FALSE(IsNonAsciiUtf8("\x82\xa0\x82\xa2"));  // Shift_JIS
    EXPECT_FALSE(IsNonAsciiUtf8("\xa4\xa2"));          // EUC-JP
}

TEST(Cp932ToUtf8Text, InverseOfTheTable) {
    const std::pair<std::string, std::string> cases[] = {
        {"日本\x81\x60ｱ", u8"日本\uFF5Eｱ"},
        {"\x82", u8"\uFFFD"},
        {"a\x81\x20z", u8"a\uFFFD z"},
        {"\x80\xA0\xFD", u8"\uFFFD\uFFFD\uFFFD"},
    };
    for (const auto& [sjis, utf8] : cases)
        EXPECT_EQ(Cp932ToUtf8Text(sjis), utf8);
}

TEST(SingleByteCharsets, TablesOfTheLatinSets) {
    struct Case {
        const char* name;
        std::string bytes;
        std::string expected;
    };
    const Case cases[] = {
        {"WINDOWS-1252", "\x93q\x94 \x80 \xB1\xB0 \x81", "“q” 〓 ±° 〓"},
        {"ISO-8859-15", "\xA4\xA7", "〓§"},
        {"ISO-8859-5", "\xB0", "А"},
        {"ISO-8859-7", "\xE1", "α"},
        {"ISO-8859-1", "\x85", "〓"},  // a C1 control
    };
    for (const auto& c : cases) {
        std::string out;
        AppendSingleByteAsCp932(SingleByteCharsetIndex(c.name), c.bytes, out);
        EXPECT_EQ(out, c.expected) << c.name;
    }
    EXPECT_EQ(SingleByteCharsetIndex("ISO-8859-12"), -1);
}

}  // namespace
}  // namespace pell
