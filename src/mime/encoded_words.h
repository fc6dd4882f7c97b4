#pragma once
// MIME encoded-words ("=?UTF-8?B?...?=", "=?ISO-2022-JP?Q?...?=") in header
// values, decoded to Shift_JIS. Text outside encoded-words is kept as it
// stands, or converted when the whole value is raw UTF-8.
#include <cstddef>
#include <string>
#include <string_view>

namespace pell {

// Decodes the encoded-words of a header value. The value ends at its first zero
// byte.
void DecodeHeaderText(std::string& value);

// The decoded text of `source` (up to its first zero byte): every word of a
// known charset (label in any letter case, a "*language" suffix ignored) is
// decoded and converted to Shift_JIS; the decoded bytes of adjacent words of one
// charset are converted together. Blanks and folding between two words, and
// one blank before the first, are dropped. An unfinished word and all behind it
// stay verbatim, so does a word of an unknown charset; a word with an encoding
// letter other than B or Q yields nothing. ISO-2022-JP words are decoded and
// converted as the program always did (their label is not trusted).
std::string DecodeEncodedWords(std::string_view source);

inline constexpr int kDecodeComplete = 0;
inline constexpr int kDecodeOutputFull = 1;

// Decodes Base64 into `out` (replacing it), as a buffer of `capacity` bytes that
// keeps one byte for its terminator would hold it. Bytes outside the alphabet
// count by their own value, padding ("=" or "@") is honoured only in the third
// and fourth place of a group and ends the decoding, and a short last group is
// completed with zero bytes. Returns kDecodeComplete or kDecodeOutputFull.
int DecodeBase64(std::string_view encoded, std::string& out, std::size_t capacity);

// Decodes the Q form into `out` (replacing it): "=" and two hex digits give one
// byte, every other byte ("_" too) is copied. Never longer than the input.
void DecodeQuoted(std::string_view encoded, std::string& out);

// Converts decoded bytes (up to their first zero byte) from the Japanese
// encoding they look like to Shift_JIS and appends them to `dest`.
void ConvertToSjisAppend(std::string& dest, std::string_view decoded);

}  // namespace pell
