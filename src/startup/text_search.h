#pragma once
// Byte-wise substring search used across the program (headers, paths, flags).
#include <cstddef>
#include <string_view>

namespace pell {

inline constexpr std::size_t kNotFound = std::string_view::npos;

// Position of the first occurrence of pattern in text, comparing bytes exactly.
// An empty text yields kNotFound; an empty pattern matches at 0 of a non-empty text.
std::size_t FindText(std::string_view text, std::string_view pattern);

// As FindText, but ASCII letters match either case. Bytes are compared one at a
// time, without regard to double-byte Shift_JIS characters.
std::size_t FindTextNoCase(std::string_view text, std::string_view pattern);

// The same searches starting at `from` (kNotFound when from is past the end).
std::size_t FindText(std::string_view text, std::string_view pattern, std::size_t from);
std::size_t FindTextNoCase(std::string_view text, std::string_view pattern, std::size_t from);

// ASCII-only case folding, never touching bytes >= 0x80.
inline char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}
inline char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}
bool EqualsNoCase(std::string_view a, std::string_view b);

}  // namespace pell
