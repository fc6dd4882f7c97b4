#pragma once
// Shift_JIS (code page 932) texts converted to UTF-8 for reports, and JSON
// string literals.
#include <cstddef>
#include <string>
#include <string_view>

namespace pell {

// Bytes of the Shift_JIS character whose first byte is lead (1 or 2).
std::size_t SjisCharLength(unsigned char lead);

// Code page 932 to UTF-8 through the program's own table, the same on every
// platform; bytes that form no character become U+FFFD.
std::string Cp932ToUtf8(std::string_view text);

// A JSON string literal (with its quotes) for UTF-8 text.
std::string JsonString(std::string_view utf8);

}  // namespace pell
