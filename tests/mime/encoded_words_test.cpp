// Byte-exact decoding of header values with MIME encoded-words.
#include "mime/encoded_words.h"

#include <gtest/gtest.h>

#include <string>

namespace pell {
namespace {

using namespace std::string_literals;

struct HeaderCase {
    const char* name;
    std::string value;
    std::string expected;
};

TEST(DecodeHeaderText, DecodesWordsAndKeepsTheRest) {
    const HeaderCase cases[] = {
        {"reply prefix and trailing word", "Re: =?ISO-2022-JP?B?GyRCJCIbKEI=?= test",
         "Re: \x82\xa0 test"},
        {"one space between words is dropped",
         "=?ISO-2022-JP?B?GyRCJCIbKEI=?= =?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?=",
         "\x82\xa0\x83\x65\x83\x58\x83\x67"},
        {"two spaces between words go",
         "=?ISO-2022-JP?B?GyRCJCIbKEI=?=  =?ISO-2022-JP?B?GyRCJCIbKEI=?=", "\x82\xa0\x82\xa0"},
        {"folding between words goes",
         "=?ISO-2022-JP?B?GyRCJCIbKEI=?=\r\n =?ISO-2022-JP?B?GyRCJCIbKEI=?=", "\x82\xa0\x82\xa0"},
        {"single leading space dropped", " =?ISO-2022-JP?B?GyRCJCIbKEI=?=", "\x82\xa0"},
        {"lower case label and letter", "=?iso-2022-jp?b?GyRCJCIbKEI=?=", "\x82\xa0"},
        {"unknown letter drops the word", "a =?ISO-2022-JP?X?abc?= b", "a  b"},
        {"unfinished word verbatim", "abc =?ISO-2022-JP?B?GyRC", "abc =?ISO-2022-JP?B?GyRC"},
        {"word cut before its text", "x=?ISO-2022-JP?B", "x=?ISO-2022-JP?B"},
        {"utf-8 and shift_jis words decoded",
         "=?UTF-8?B?44GC?= =?Shift_JIS?B?gqA=?=", "\x82\xa0\x82\xa0"},
        {"unknown charset verbatim", "=?X-UNKNOWN?B?8fDh8w==?= x", "=?X-UNKNOWN?B?8fDh8w==?= x"},
        {"missing final padding", "=?ISO-2022-JP?B?GyRCJCIbKEI?=", "\x82\xa0"},
        {"plain ascii through the euc path", "=?ISO-2022-JP?B?aGVsbG8=?=", "hello"},
        {"shift_jis bytes appended unchanged", "=?ISO-2022-JP?B?gqCCog==?=", "\x82\xa0\x82\xa2"},
        {"euc bytes converted", "=?ISO-2022-JP?B?pKKkpA==?=", "\x82\xa0\x82\xa2"},
        {"q word with escapes", "=?ISO-2022-JP?Q?=1B$B$\"=1B(B?=", "\x82\xa0"},
        {"q keeps underscore", "=?ISO-2022-JP?Q?a_b?=", "a_b"},
        {"zero byte from decoding ends that word only", "=?ISO-2022-JP?Q?ab=00cd?= z", "ab z"},
        {"lone escape dollar at the end of a word", "=?ISO-2022-JP?Q?a=1B$?=", "a\x1b$"},
        {"empty word", "=?ISO-2022-JP?B?\?=x", "x"},
        {"value ends at its zero byte", "abc\0=?ISO-2022-JP?B?GyRCJCIbKEI=?="s, "abc"},
        {"empty", "", ""},
        {"nothing encoded", "plain subject", "plain subject"},
    };
    for (const auto& c : cases) {
        std::string value = c.value;
        DecodeHeaderText(value);
        EXPECT_EQ(value, c.expected) << c.name;
        EXPECT_LE(value.size(), c.value.size()) << c.name;
    }
}

TEST(DecodeHeaderText, CharsetsOfTodaysMail) {
    const HeaderCase cases[] = {
        {"utf-8 base64", "=?UTF-8?B?5pel5pys6Kqe?=", "日本語"},
        {"character split across two words",
         "=?UTF-8?B?5pel5g==?=\r\n =?UTF-8?B?nKzoqp4=?=", "日本語"},
        {"cut character at the end of the run", "=?UTF-8?B?5pel5g==?= x", "日〓 x"},
        {"utf-8 q with underscores", "=?utf-8?q?=E6=97=A5_=E6=9C=AC?=", "日 本"},
        {"language suffix", "=?UTF-8*ja?B?5pel?=", "日"},
        {"charsets side by side", "=?Shift_JIS?B?k/o=?= =?EUC-JP?B?y9w=?=", "日本"},
        {"blanks stay around an unknown charset",
         "=?UTF-8?B?5pel?= =?X-UNKNOWN?B?8Q==?= =?UTF-8?B?5pel?=", "日 =?X-UNKNOWN?B?8Q==?= 日"},
        {"emoji and variation selector", "=?UTF-8?B?4pyI77iPIQ==?=", "〓!"},
        {"latin-1", "=?ISO-8859-1?Q?Caf=E9?=", "Caf〓"},
        {"cyrillic", "=?KOI8-R?B?8NLJ18XU?=", "Привет"},
        {"chinese", "=?gb2312?B?1tDOxA==?= =?big5?B?wWPF6Q==?=", "中文繁體"},
        {"korean hanja", "=?ks_c_5601-1987?B?+dvP0A==?=", "韓國"},
        {"jis code without a character", "=?ISO-2022-JP?B?GyRCdSEbKEI=?=", "〓"},
        {"raw 8-bit byte that makes no character", "Caf\xe9 ok", "Caf〓 ok"},
        {"raw utf-8 around a word", u8"Re: 件名 =?UTF-8?B?5pel?=", "Re: 件名 日"},
        {"raw shift_jis kept", "Re: \x93\xfa", "Re: \x93\xfa"},
        {"label of 1 MB", "=?" + std::string(1 << 20, 'x') + "?B?QQ==?=",
         "=?" + std::string(1 << 20, 'x') + "?B?QQ==?="},
        {"no label", "=??B?QQ==?= a", "=??B?QQ==?= a"},
    };
    for (const auto& c : cases) {
        std::string value = c.value;
        DecodeHeaderText(value);
        EXPECT_EQ(value, c.expected) << c.name;
    }
}

TEST(DecodeHeaderText, LongEncodedTextIsDecodedWhole) {
    // 600 encoded bytes, beyond one 512-byte work buffer.
    const std::string plain(450, 'a');
    std::string encoded;
    for (int i = 0; i < 150; ++i)
        encoded += "YWFh";
    std::string value = "=?ISO-2022-JP?B?" + encoded + "?=";
    DecodeHeaderText(value);
    EXPECT_EQ(value, plain);
}

TEST(DecodeHeaderText, ManyWordsAreAllDecoded) {
    std::string value;
    std::string expected;
    for (int i = 0; i < 5000; ++i) {
        value += "=?ISO-2022-JP?B?GyRCJCIbKEI=?= ";
        expected += "\x82\xa0";
    }
    DecodeHeaderText(value);
    EXPECT_EQ(value, expected + " ");
}

struct Base64Case {
    const char* name;
    std::string encoded;
    std::size_t capacity;
    int result;
    std::string expected;
};

TEST(DecodeBase64, GroupsPaddingInvalidBytesAndCapacity) {
    const Base64Case cases[] = {
        {"empty", "", 512, kDecodeComplete, ""},
        {"one group", "QUJD", 512, kDecodeComplete, "ABC"},
        {"padding in place four", "QUI=", 512, kDecodeComplete, "AB"},
        {"padding in place three", "QQ==", 512, kDecodeComplete, "A"},
        {"at sign counts as padding", "QUI@", 512, kDecodeComplete, "AB"},
        {"later groups ignored after padding", "QQ==QUJD", 512, kDecodeComplete, "A"},
        {"short last group filled with zeros", "QUJDQQ", 512, kDecodeComplete, "ABCA\0\0"s},
        {"padding in place one is a value", "=AAA", 512, kDecodeComplete, "\x00\x00\x00"s},
        {"invalid byte counts by value",
         "Q\x80"
         "AA",
         512, kDecodeComplete, "\xf8\x00\x00"s},
        {"stops one short of capacity", "QUJD", 3, kDecodeOutputFull, "AB"},
        {"capacity one", "QUJD", 1, kDecodeOutputFull, ""},
        {"capacity zero", "QUJD", 0, kDecodeOutputFull, ""},
    };
    for (const auto& c : cases) {
        std::string out = "old";
        EXPECT_EQ(DecodeBase64(c.encoded, out, c.capacity), c.result) << c.name;
        EXPECT_EQ(out, c.expected) << c.name;
    }
}

TEST(DecodeQuoted, HexPairsAndPlainBytes) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"=41=42", "AB"},
        {"=4a=4A", "JJ"},
        {"a_b c", "a_b c"},
        {"ab=", "ab\0"s},  // the missing digits are zero bytes
        {"=ZZ", "3"},      // other bytes by the same arithmetic
        {"x=\r\ny",
         "x\xda"
         "y"},
    };
    for (const auto& [encoded, expected] : cases) {
        std::string out = "old";
        DecodeQuoted(encoded, out);
        EXPECT_EQ(out, expected) << encoded;
    }
}

TEST(ConvertToSjisAppend, PicksTheConverterByDetection) {
    const std::pair<std::string, std::string> cases[] = {
        {"\x1b$B$\"\x1b(B", "\x82\xa0"},
        {"\xa4\xa2", "\x82\xa0"},
        {"\x82\xa0\x82\xa2", "\x82\xa0\x82\xa2"},
        {"\x1b$Zab", "\x1b$Zab"},  // JIS by detection, nothing to shift
        {"ab\0cd"s, "ab"},
    };
    for (const auto& [decoded, expected] : cases) {
        std::string dest = ">";
        ConvertToSjisAppend(dest, decoded);
        EXPECT_EQ(dest, ">" + expected);
    }
}

}  // namespace
}  // namespace pell
