#pragma once
// Detection of the Japanese encoding of a byte text and conversion of
// ISO-2022-JP and EUC-JP to Shift_JIS. Every input text ends at its first zero
// byte (or at the end of the view), as the texts of the program do.
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "mime/unicode_cp932.h"

namespace pell {

enum JapaneseEncoding : int {
    kEncodingJis = 1,       // ISO-2022-JP
    kEncodingShiftJis = 2,  // Shift_JIS
    kEncodingEuc = 3,       // EUC-JP, also the answer for plain ASCII
};

inline bool IsSjisLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
inline bool IsEucByte(unsigned char c) {
    return c >= 0xA1 && c <= 0xFE;
}
inline bool IsEucKanaByte(unsigned char c) {
    return c >= 0xA1 && c <= 0xDF;
}

// The text up to its first zero byte.
std::string_view TextBeforeZero(std::string_view text);

// ISO-2022-JP as soon as "ESC $" appears; otherwise Shift_JIS when lead bytes
// outnumber EUC pairs, else EUC-JP.
JapaneseEncoding DetectJapaneseEncoding(std::string_view text);

// Converts one JIS X 0208 row/cell pair. Returns 0 and the two Shift_JIS bytes
// followed by a zero byte, or 1 and three zero bytes when c1 is outside 0x21-0x7E.
// c2 is not checked; the arithmetic wraps at 8 bits.
int JisPairToSjis(unsigned char c1, unsigned char c2, std::array<unsigned char, 3>& out);

inline constexpr int kConversionFull = -1;

// Converts ISO-2022-JP to Shift_JIS into `out` (replacing its contents), writing
// at most as the capacity allows: single bytes stop the conversion once
// `capacity - 1` bytes are out, a two-byte character is not started when fewer
// than three bytes of capacity remain. Returns the number of bytes written, or
// kConversionFull when it stopped early (then `out` holds what was written).
// A JIS code that code page 932 has no character for, a byte outside the JIS X
// 0201 katakana of the half-width state and a byte >= 0x80 that begins no
// Shift_JIS character each give kUnmappableMark; so the result holds no broken
// byte, but may be longer than its source.
int ConvertJisToSjis(std::string_view source, std::string& out, std::size_t capacity);

// As ConvertJisToSjis, but appends to `dest`; the capacity counts only the
// bytes of this conversion.
int AppendJisAsSjis(std::string_view source, std::string& dest, std::size_t capacity);

// The whole text converted as AppendJisAsSjis converts it, without a capacity.
void AppendJisText(std::string_view source, std::string& dest);

// Converts EUC-JP (up to its first zero byte) to Shift_JIS: pairs and
// half-width kana become their code page 932 codes; a JIS X 0212 character,
// a pair that code page 932 has no character for, a lead byte without its
// second byte and a byte that begins nothing each become kUnmappableMark.
std::string ConvertEucToSjis(std::string_view source);

// As ConvertEucToSjis, but appends to `dest`.
void AppendEucAsSjis(std::string_view source, std::string& dest);

// The same over the whole text, zero bytes included; `tail` says what a
// character cut off by the end of the text gives.
void AppendEucJpChecked(std::string_view text, std::string& dest, CutTail tail);

}  // namespace pell
