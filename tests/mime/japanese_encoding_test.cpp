// Byte-exact results of encoding detection and of the JIS and EUC converters.
#include "mime/japanese_encoding.h"

#include "mime/unicode_cp932.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>

namespace pell {
namespace {

using namespace std::string_literals;

struct DetectCase {
    const char* name;
    std::string text;
    JapaneseEncoding expected;
};

TEST(DetectJapaneseEncoding, ClassifiesByEscapeAndByteCounts) {
    const DetectCase cases[] = {
        {"empty", "", kEncodingEuc},
        {"one byte", "\x82", kEncodingEuc},
        {"plain ascii", "hello world", kEncodingEuc},
        {"escape dollar", "ab\x1b$B$\"", kEncodingJis},
        {"escape dollar at the very end", "ab\x1b$", kEncodingJis},
        {"escape as last byte only", "ab\x1b", kEncodingEuc},
        {"escape paren is not enough", "\x1b(B", kEncodingEuc},
        {"shift_jis hiragana", "\x82\xa0\x82\xa2", kEncodingShiftJis},
        {"shift_jis high lead", "\xe0\xa0", kEncodingShiftJis},
        {"euc hiragana", "\xa4\xa2\xa4\xa4", kEncodingEuc},
        {"euc half-width kana ties with lead count", "\x8e\xb1", kEncodingEuc},
        {"euc 0212 three bytes", "\x8f\xa1\xa1", kEncodingEuc},
        {"text ends at zero byte", "a\0\x1b$"s, kEncodingEuc},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DetectJapaneseEncoding(c.text), c.expected) << c.name;
    }
}

TEST(JisPairToSjis, ConvertsRowCellAndRejectsFirstByteOutsideRange) {
    struct Case {
        unsigned char c1, c2;
        int result;
        unsigned char s1, s2;
    };
    const Case cases[] = {
        {0x24, 0x22, 0, 0x82, 0xA0}, {0x30, 0x21, 0, 0x88, 0x9F}, {0x25, 0x21, 0, 0x83, 0x40},
        {0x21, 0x21, 0, 0x81, 0x40}, {0x21, 0x60, 0, 0x81, 0x80}, {0x5F, 0x21, 0, 0xE0, 0x40},
        {0x7E, 0x21, 0, 0xEF, 0x9F},  // 0x7E is accepted here
        {0x24, 0x00, 0, 0x82, 0x7E},  // the second byte is not checked
        {0x20, 0x21, 1, 0, 0},       {0x7F, 0x21, 1, 0, 0},
    };
    for (const auto& c : cases) {
        std::array<unsigned char, 3> out{9, 9, 9};
        EXPECT_EQ(JisPairToSjis(c.c1, c.c2, out), c.result) << int(c.c1) << "," << int(c.c2);
        EXPECT_EQ(out[0], c.s1);
        EXPECT_EQ(out[1], c.s2);
        EXPECT_EQ(out[2], 0);
    }
}

struct JisCase {
    const char* name;
    std::string source;
    std::size_t capacity;
    int result;
    std::string expected;
};

TEST(ConvertJisToSjis, FollowsShiftStatesAndCapacity) {
    const JisCase cases[] = {
        {"one hiragana", "\x1b$B$\"\x1b(B", 64, 2, "\x82\xa0"},
        {"mixed ascii and kanji", "Re: \x1b$BF|K\\\x1b(B!", 64, 9, "Re: \x93\xfa\x96\x7b!"},
        {"old jis escape", "\x1b$@$\"\x1b(J", 64, 2, "\x82\xa0"},
        {"crlf inside two-byte state", "\x1b$B$\"\r\n$\"\x1b(B", 64, 6, "\x82\xa0\r\n\x82\xa0"},
        {"half-width katakana", "\x1b(I1\x1b(B", 64, 1, "\xb1"},
        {"half-width state keeps crlf", "\x1b(I1\r\n", 64, 3, "\xb1\r\n"},
        {"codes without a character give the mark", "\x1b$Bu!x\"\x1b(B", 64, 4, "〓〓"},
        {"nec row 13 is kept", "\x1b$B-!\x1b(B", 64, 2, "\x87\x40"},
        {"half-width state beyond the katakana", "\x1b(I`1", 64, 3, "〓\xb1"},
        {"8-bit bytes as shift_jis", "\x82\xa0\x80\xb1\x82", 64, 7, "\x82\xa0〓\xb1〓"},
        {"0x7E first byte passes byte by byte", "\x1b$B\x7e\x21", 64, 2, "\x7e\x21"},
        {"truncated pair", "\x1b$B$\"$", 64, 3, "\x82\xa0$"},
        {"lone ESC $ at the end", "ab\x1b$", 64, 4, "ab\x1b$"},
        {"lone ESC at the end", "ab\x1b", 64, 3, "ab\x1b"},
        {"unknown escape is data", "\x1b$A!", 64, 4, "\x1b$A!"},
        {"stray ESC in two-byte state", "\x1b$B\x1b$\"", 64, 3, "\x1b\x82\xa0"},
        {"zero byte ends the text", "a\0b"s, 64, 1, "a"},
        {"empty", "", 0, 0, ""},
        {"single bytes stop one short of capacity", "abcdef", 3, kConversionFull, "ab"},
        {"full even when the text just fits", "abc", 4, kConversionFull, "abc"},
        {"room to spare", "abc", 5, 3, "abc"},
        {"pair needs three bytes of room", "\x1b$B$\"$\"", 5, kConversionFull, "\x82\xa0"},
        {"pair fits with six", "\x1b$B$\"$\"", 6, 4, "\x82\xa0\x82\xa0"},
        {"capacity one writes one byte", "ab", 1, kConversionFull, "a"},
        {"capacity zero writes nothing", "ab", 0, kConversionFull, ""},
    };
    for (const auto& c : cases) {
        std::string out = "old";
        EXPECT_EQ(ConvertJisToSjis(c.source, out, c.capacity), c.result) << c.name;
        EXPECT_EQ(out, c.expected) << c.name;
    }
}

TEST(ConvertEucToSjis, ConvertsPairsKanaAndPassesTheRest) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"plain", "plain"},
        {"\xa4\xa2", "\x82\xa0"},
        {"\xc6\xfc\xcb\xdc\xb8\xec", "\x93\xfa\x96\x7b\x8c\xea"},
        {"a\x8e\xb1z", "a\xb1z"},
        {"\x8e"
         "A",
         "〓A"},                 // no kana behind the prefix
        {"\x8f\xa1\xa1", "〓"},  // JIS X 0212 has no code page 932 code
        {"\xa2\x02"
         "A",
         "〓\x02"
         "A"},                                // no second byte: the next is read again
        {"ab\xa4", "ab〓"},                   // lead byte without partner
        {"\xa4\xa2\0\xa4\xa2"s, "\x82\xa0"},  // zero byte ends the text
    };
    for (const auto& [source, expected] : cases) {
        EXPECT_EQ(ConvertEucToSjis(source), expected) << source;
        EXPECT_LE(ConvertEucToSjis(source).size(), 2 * source.size());
    }
}

}  // namespace
}  // namespace pell

namespace pell {
namespace {

// The conversion rules applied one byte at a time, as written, to check the
// run-at-once conversion against on random input and capacities.
int ReferenceJisToSjis(const std::string& source, std::string& out, std::size_t capacity) {
    out.clear();
    const long cap = static_cast<long>(capacity);
    auto at = [&](std::size_t i) -> unsigned char {
        return i < source.size() ? static_cast<unsigned char>(source[i]) : 0;
    };
    int state = 0;
    std::size_t i = 0;
    while (at(i) != 0) {
        const unsigned char c = at(i);
        if (c == 0x1b) {
            const unsigned char b1 = at(i + 1), b2 = at(i + 2);
            int next = -1;
            if (b1 == '$' && (b2 == 'B' || b2 == '@'))
                next = 1;
            if (b1 == '(' && b2 == 'I')
                next = 2;
            if (b1 == '(' && (b2 == 'B' || b2 == 'J'))
                next = 0;
            if (next >= 0) {
                state = next;
                i += 3;
                continue;
            }
        }
        const long count = static_cast<long>(out.size());
        // Two bytes out: a pair (a JIS code without a character gives the
        // mark), a Shift_JIS character or the mark for a byte that makes none.
        std::string two;
        std::size_t in = 2;
        if (state == 1 && c >= 0x21 && c <= 0x7D && at(i + 1) >= 0x21 && at(i + 1) <= 0x7E) {
            std::array<unsigned char, 3> pair;
            JisPairToSjis(c, at(i + 1), pair);
            two = Cp932Scalar(pair[0], pair[1]) != 0 ? std::string(1, char(pair[0])) + char(pair[1])
                                                     : "〓";
        } else if (c >= 0x80 && !(c >= 0xA1 && c <= 0xDF)) {
            const unsigned char t = at(i + 1);
            const bool trail = (t >= 0x40 && t <= 0x7E) || (t >= 0x80 && t <= 0xFC);
            const bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
            in = lead && trail ? 2 : 1;
            two =
                lead && trail && Cp932Scalar(c, t) != 0 ? std::string(1, char(c)) + char(t) : "〓";
        } else if (state == 2 && c >= 0x60 && c < 0x80) {
            in = 1;
            two = "〓";
        }
        if (!two.empty()) {
            if (count >= cap - 3)
                return kConversionFull;
            out += two;
            i += in;
            continue;
        }
        if (cap == 0)
            return kConversionFull;
        out += static_cast<char>(state == 2 && c >= 0x21 && c <= 0x5F ? (c | 0x80) : c);
        ++i;
        if (static_cast<long>(out.size()) >= cap - 1)
            return kConversionFull;
    }
    return static_cast<int>(out.size());
}

TEST(ConvertJisToSjis, MatchesByteByByteRulesOnRandomInput) {
    std::mt19937 random(11);
    const std::string pieces[] = {"\x1b$B",   "\x1b$@",   "\x1b(B", "\x1b(J",   "\x1b(I",
                                  "\x1b",     "\x1b$",    "$\"",    "F|",       "\x7e\x21",
                                  "\r\n",     " ",        "a",      "\x7d\x7e", "\xa4\xa2",
                                  "\x20\x21", "\x75\x21", "`",      "\x82",     "\xb1"};
    for (int round = 0; round < 20000; ++round) {
        std::string source;
        const int count = static_cast<int>(random() % 12);
        for (int k = 0; k < count; ++k)
            source += pieces[random() % std::size(pieces)];
        const std::size_t capacity = random() % (source.size() + 4);
        std::string expected;
        std::string actual;
        const int expectedResult = ReferenceJisToSjis(source, expected, capacity);
        ASSERT_EQ(ConvertJisToSjis(source, actual, capacity), expectedResult)
            << "capacity " << capacity << " source " << source;
        ASSERT_EQ(actual, expected) << "capacity " << capacity;
    }
}

}  // namespace
}  // namespace pell
