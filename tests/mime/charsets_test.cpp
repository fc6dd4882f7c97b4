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
        // Without a known label: UTF-8 if it is, else by the look of the bytes.
        {"x-unknown", u8"東", CutTail::kMark, "東"},
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
