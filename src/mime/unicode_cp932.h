#pragma once
// Unicode to code page 932 (and back) through the program's own table, so that
// every platform shows a text with the same bytes.
#include <cstddef>
#include <string>
#include <string_view>

namespace pell {

// "〓": what is shown for a character that code page 932 has no code for, and
// for each malformed sequence of a text.
inline constexpr std::string_view kUnmappableMark = "\x81\xAC";

// Appends the code page 932 form of one Unicode scalar value: its code, nothing
// for the invisible formatting characters (zero-width space and joiners,
// variation selectors, the byte order mark), kUnmappableMark otherwise.
void AppendScalarAsCp932(char32_t scalar, std::string& out);

// What a UTF-8 sequence cut off by the end of the text gives.
enum class CutTail {
    kMark,  // one kUnmappableMark, as any other malformed sequence
    kDrop,  // nothing: the text was cut there (a body cut by TOP)
};

// Converts UTF-8 and appends it. A malformed sequence (a stray continuation
// byte, an overlong form, a surrogate, a value beyond U+10FFFF, a sequence cut
// short) gives one kUnmappableMark, never a broken byte.
void AppendUtf8AsCp932(std::string_view utf8, std::string& out, CutTail tail = CutTail::kMark);

// True when a byte of the text is >= 0x80.
bool HasEightBitBytes(std::string_view text);

// True when the text is well-formed UTF-8 and has at least one byte >= 0x80.
bool IsNonAsciiUtf8(std::string_view text);

// The Unicode scalar of one code page 932 character (`trail` is ignored for a
// single-byte code), or 0 when the bytes are no character.
char32_t Cp932Scalar(unsigned char lead, unsigned char trail);

// Bytes of the code page 932 character that starts with `lead` (1 or 2).
inline std::size_t Cp932CharLength(unsigned char lead) {
    return ((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC)) ? 2 : 1;
}

// The single-byte sets ISO-8859-1 to -15 (there is no -12), Windows-1250 to
// -1258, KOI8-R and KOI8-U, by the names written in upper case ("ISO-8859-2",
// "WINDOWS-1252", "KOI8-R"): the index of the set, or -1.
int SingleByteCharsetIndex(std::string_view upperName);

// Converts text in a single-byte set (an index from SingleByteCharsetIndex)
// and appends it; C1 controls and unassigned bytes give kUnmappableMark.
void AppendSingleByteAsCp932(int charset, std::string_view text, std::string& out);

// The double-byte sets "GBK", "BIG5" and "UHC" (Unified Hangul, a superset of
// EUC-KR) by those names: the index of the set, or -1.
int DoubleByteCharsetIndex(std::string_view upperName);

// Converts text in a double-byte set (an index from DoubleByteCharsetIndex)
// and appends it. A pair whose character code page 932 cannot show, a lead
// byte without a trail byte of the set (the next byte is read again), a
// four-byte GB18030 sequence and a byte that starts nothing each give one
// kUnmappableMark; `tail` says what a pair cut off by the end of the text gives.
void AppendDoubleByteAsCp932(int charset, std::string_view text, std::string& out,
                             CutTail tail = CutTail::kMark);

// Code page 932 to UTF-8 by the inverse of the same table; bytes that form no
// character become U+FFFD, one per byte.
std::string Cp932ToUtf8Text(std::string_view text);

}  // namespace pell
