#pragma once
// The charsets that mail names in its labels, and their conversion to code
// page 932.
#include <string>
#include <string_view>

#include "mime/unicode_cp932.h"

namespace pell {

enum class CharsetKind {
    kUnlabelled,  // no label at all: the bytes are looked at
    kUnknown,     // a label this program does not know
    kUtf8,
    kShiftJis,  // also CP932, Windows-31J, x-sjis
    kEucJp,
    kIso2022Jp,
    kUsAscii,
    kSingleByte,  // ISO-8859-1 to -15, Windows-1250 to -1258, KOI8-R, KOI8-U
    kDoubleByte,  // GBK (GB2312, EUC-CN, GB18030), Big5, Unified Hangul (EUC-KR)
};

struct Charset {
    CharsetKind kind = CharsetKind::kUnlabelled;
    int table = -1;  // the set of kSingleByte or kDoubleByte

    bool operator==(const Charset& other) const {
        return kind == other.kind && table == other.table;
    }
    bool operator!=(const Charset& other) const { return !(*this == other); }
};

// The charset of a label such as "UTF-8", "shift_jis", "iso-8859-15", "gb2312"
// or "UTF-8*ja" (a language suffix is ignored), in any letter case, with quotes
// and blanks around it ignored. An empty label gives kUnlabelled, a label this
// program does not know kUnknown.
Charset CharsetFromLabel(std::string_view label);

// Converts text in `charset` to code page 932 and appends it. Characters that
// code page 932 cannot show and malformed sequences give kUnmappableMark, never
// a broken byte; ISO-2022-JP goes through the JIS converter of the program.
// `tail` says what a character cut off by the end of the text gives.
// kUnlabelled converts as AppendUnlabelledAsCp932, kUnknown as
// AppendUnknownAsCp932.
void AppendCharsetAsCp932(Charset charset, std::string_view text, std::string& out,
                          CutTail tail = CutTail::kMark);

// Text that names no charset: UTF-8 when it is well-formed UTF-8; else the
// Japanese encoding it looks like (ISO-2022-JP, EUC-JP or Shift_JIS), unless
// its bytes make no sense in that encoding, which 8-bit Western text (read as
// Windows-1252) does not.
void AppendUnlabelledAsCp932(std::string_view text, std::string& out,
                             CutTail tail = CutTail::kMark);

// Text in a charset this program does not know: UTF-8 when it is well-formed
// UTF-8, ISO-2022-JP when it shifts as that does; else its ASCII as it is and
// one kUnmappableMark for each byte >= 0x80 together with a byte >= 0x80 behind
// it (a guess at the size of its characters).
void AppendUnknownAsCp932(std::string_view text, std::string& out);

// Shift_JIS (code page 932) checked: whole characters are copied, every lead
// byte without its trail byte, pair without a character and unused byte gives
// kUnmappableMark.
void AppendShiftJisAsCp932(std::string_view text, std::string& out, CutTail tail = CutTail::kMark);

}  // namespace pell
