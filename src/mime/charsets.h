#pragma once
// The charsets that mail names in its labels, and their conversion to code
// page 932.
#include <string>
#include <string_view>

#include "mime/unicode_cp932.h"

namespace pell {

enum class CharsetKind {
    kUnknown,
    kUtf8,
    kShiftJis,  // also CP932, Windows-31J, x-sjis
    kEucJp,
    kIso2022Jp,
    kUsAscii,
    kSingleByte,  // ISO-8859-1 to -15, Windows-1252
};

struct Charset {
    CharsetKind kind = CharsetKind::kUnknown;
    int singleByte = -1;  // the set of kSingleByte

    bool operator==(const Charset& other) const {
        return kind == other.kind && singleByte == other.singleByte;
    }
    bool operator!=(const Charset& other) const { return !(*this == other); }
};

// The charset of a label such as "UTF-8", "shift_jis", "iso-8859-15" or
// "UTF-8*ja" (a language suffix is ignored), in any letter case, with quotes
// and blanks around it ignored. Unknown labels give kUnknown.
Charset CharsetFromLabel(std::string_view label);

// Converts text in `charset` to code page 932 and appends it. Shift_JIS and
// EUC-JP pairs that code page 932 cannot show, and stray bytes, give
// kUnmappableMark; ISO-2022-JP goes through the JIS converter of the program.
// `tail` says what a character cut off by the end of the text gives. kUnknown
// converts as AppendUnlabelledAsCp932.
void AppendCharsetAsCp932(Charset charset, std::string_view text, std::string& out,
                          CutTail tail = CutTail::kMark);

// Text that names no charset: UTF-8 when it is well-formed UTF-8, else the
// Japanese encoding it looks like (ISO-2022-JP, EUC-JP or Shift_JIS).
void AppendUnlabelledAsCp932(std::string_view text, std::string& out,
                             CutTail tail = CutTail::kMark);

}  // namespace pell
