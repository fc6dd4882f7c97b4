// Charset labels and the conversion of each charset to code page 932.
#include "mime/charsets.h"

#include <gtest/gtest.h>

#include <string>

namespace pell {
namespace {

TEST(CharsetFromLabel, AliasesCaseQuotesAndLanguage) {
    const std::pair<std::string, CharsetKind> cases[] = {
        {"UTF-8", CharsetKind::kUtf8},
        {"utf-8*ja", CharsetKind::kUtf8},
        {" \"utf8\" ", CharsetKind::kUtf8},
        {"Shift_JIS", CharsetKind::kShiftJis},
        {"cp932", CharsetKind::kShiftJis},
        {"Windows-31J", CharsetKind::kShiftJis},
        {"x-sjis", CharsetKind::kShiftJis},
        {"euc-jp", CharsetKind::kEucJp},
        {"ISO-2022-JP", CharsetKind::kIso2022Jp},
        {"us-ascii", CharsetKind::kUsAscii},
        {"iso-8859-1", CharsetKind::kSingleByte},
        {"ISO_8859-15", CharsetKind::kSingleByte},
        {"windows-1252", CharsetKind::kSingleByte},
        {"cp1251", CharsetKind::kSingleByte},
        {"gb2312", CharsetKind::kDoubleByte},
        {"big5-hkscs", CharsetKind::kDoubleByte},
        {"ks_c_5601-1987", CharsetKind::kDoubleByte},
        {"iso-8859-12", CharsetKind::kUnknown},
        {"KOI8-R", CharsetKind::kSingleByte},
        {"x-unknown", CharsetKind::kUnknown},
        {"", CharsetKind::kUnlabelled},
        {std::string(1 << 20, 'a'), CharsetKind::kUnknown},
    };
    for (const auto& [label, kind] : cases)
        EXPECT_EQ(CharsetFromLabel(label).kind, kind) << label.substr(0, 40);
    EXPECT_NE(CharsetFromLabel("iso-8859-2"), CharsetFromLabel("iso-8859-3"));
}

TEST(AppendCharsetAsCp932, EachCharset) {
    struct Case {
        const char* label;
        std::string bytes;
        CutTail tail;
        std::string expected;
    };
    const Case cases[] = {
        {"utf-8", u8"東京\u301C", CutTail::kMark, "東京～"},
        {"shift_jis", "\x93\x8c\xb1", CutTail::kMark, "東ｱ"},
        {"shift_jis", "\x81\x20\xa0", CutTail::kMark, "〓 〓"},  // bad trail byte, unused byte
        {"shift_jis", "a\x93", CutTail::kMark, "a〓"},
        {"shift_jis", "a\x93", CutTail::kDrop, "a"},
        {"euc-jp", "\xc5\xec\x8e\xb1", CutTail::kMark, "東ｱ"},
        {"euc-jp", "\x8f\xb0\xa1x", CutTail::kMark, "〓x"},  // JIS X 0212
        {"euc-jp", "\xad\xa1", CutTail::kMark, "①"},         // NEC row 13
        {"euc-jp", "x\xc5", CutTail::kDrop, "x"},
        {"euc-jp", "\x80\xa1", CutTail::kMark, "〓〓"},
        {"iso-2022-jp", "\x1b$BEl\x1b(B", CutTail::kMark, "東"},
        {"us-ascii", "ok\xe9", CutTail::kMark, "ok〓"},
        {"iso-8859-1", "Caf\xe9", CutTail::kMark, "Caf〓"},
        // Cyrillic, Greek, Chinese and Korean: what code page 932 has, else the mark.
        {"windows-1251", "\xcf\xf0\xe8\xe2\xe5\xf2", CutTail::kMark, "Привет"},
        {"koi8-r", "\xf0\xd2\xc9\xd7\xc5\xd4", CutTail::kMark, "Привет"},
        {"iso-8859-5", "\xbf\xe0\xd8\xd2\xd5\xe2", CutTail::kMark, "Привет"},
        {"iso-8859-7", "\xe1\xe2\xe3", CutTail::kMark, "αβγ"},
        {"windows-1253", "\xc5\xeb\xeb\xe7\xed\xe9\xea\xdc", CutTail::kMark, "Ελληνικ〓"},
        {"gb2312", "\xd6\xd0\xce\xc4\xbc\xf2\xcc\xe5", CutTail::kMark, "中文〓体"},
        {"gbk", "\x9d\x68\xd7\xd6", CutTail::kMark, "漢字"},
        {"gb18030",
         "a\x95"
         "2\x82"
         "6b",
         CutTail::kMark, "a〓b"},  // four bytes, one mark
        {"big5", "\xc1\x63\xc5\xe9\xa4\xa4\xa4\xe5", CutTail::kMark, "繁體中文"},
        {"euc-kr", "\xc7\xd1\xb1\xb9 \xf9\xdb\xcf\xd0", CutTail::kMark, "〓〓 韓國"},
        {"cp949", "\xf9\xd3\xed\xae", CutTail::kMark, "漢字"},
        {"big5", "\xa4 x\xff\xa4", CutTail::kMark, "〓 x〓〓"},  // lead without trail, unused
        {"big5", "x\xa4", CutTail::kDrop, "x"},
        // Unknown: UTF-8 if it is, else ASCII and one mark per pair of 8-bit bytes.
        {"x-unknown", u8"東", CutTail::kMark, "東"},
        {"x-unknown", "caf\xe9 \xd0\xbf\xd1", CutTail::kMark, "caf〓 〓〓"},
        // Unlabelled: the Japanese encoding the bytes fit, else Western text.
        {"",
         "5\xb0"
         "C \xb1"
         "1 caf\xe9",
         CutTail::kMark, "5°C ±1 caf〓"},
        {"", "\x82\xa0\x82\xa2\x82\xa4\x82\xa6\x82\xa8\x80\x82\xa9", CutTail::kMark,
         "あいうえお〓か"},
        {"", "\xa4\xa2\xa4\xa4\x82 ", CutTail::kMark, "あい〓 "},
        {"", "\xc5\xec", CutTail::kMark, "東"},
        {"", "\x93\x8c\x93\x8c", CutTail::kMark, "東東"},
        {"", "\x1b$BEl\x1b(B", CutTail::kMark, "東"},
        {"", "\xe6\x9d\xb1\xe6\x9d", CutTail::kDrop, "東"},
    };
    for (const auto& c : cases) {
        std::string out = ">";
        AppendCharsetAsCp932(CharsetFromLabel(c.label), c.bytes, out, c.tail);
        EXPECT_EQ(out, ">" + c.expected) << c.label << " " << c.bytes;
    }
}

}  // namespace
}  // namespace pell
