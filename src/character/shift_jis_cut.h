#pragma once
// Cutting Shift_JIS texts to a byte limit without splitting a double-byte
// character: a half character at the end would swallow whatever text follows.
#include <cstddef>
#include <string>
#include <string_view>

namespace pell {

// True for the first byte of a double-byte character of code page 932.
bool IsShiftJisLeadByte(unsigned char c);

// The longest prefix of `text` of at most `maxBytes` bytes that ends on a
// character boundary. A lead byte without its second byte is dropped.
std::string CutShiftJis(std::string_view text, std::size_t maxBytes);

}  // namespace pell
