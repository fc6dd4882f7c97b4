#pragma once
// Detection of the Japanese encoding of a byte text and conversion of
// ISO-2022-JP and EUC-JP to Shift_JIS. Every input text ends at its first zero
// byte (or at the end of the view), as the texts of the program do.
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

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
int ConvertJisToSjis(std::string_view source, std::string& out, std::size_t capacity);

// As ConvertJisToSjis, but appends to `dest`; the capacity counts only the
// bytes of this conversion.
int AppendJisAsSjis(std::string_view source, std::string& dest, std::size_t capacity);

// Converts EUC-JP to Shift_JIS. Half-width katakana lose their 0x8E prefix; a
// JIS X 0212 prefix 0x8F is copied and the pair behind it converted as JIS X
// 0208. The result is never longer than the source.
std::string ConvertEucToSjis(std::string_view source);

// As ConvertEucToSjis, but appends to `dest`.
void AppendEucAsSjis(std::string_view source, std::string& dest);

}  // namespace pell
