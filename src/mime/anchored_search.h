#pragma once
// A case-insensitive substring search for the fixed field names and markers of
// mail text. It answers exactly as FindTextNoCase, but jumps from one
// occurrence of the pattern's last non-letter byte (":", "=", "?", "/", "-") to
// the next with memchr, which makes header lookups several times faster.
#include <cstddef>
#include <string_view>

namespace pell {

std::size_t FindNoCaseAnchored(std::string_view text, std::string_view pattern,
                               std::size_t from = 0);

}  // namespace pell
