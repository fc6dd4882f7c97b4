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

// The first exact occurrence of `pattern` at or behind `from`, jumping with
// memchr between the places of its byte at `anchor` (pick its rarest byte).
std::size_t FindExactAnchored(std::string_view text, std::string_view pattern, std::size_t anchor,
                              std::size_t from = 0);

// The first byte at or behind `from` that is one of `bytes`, like
// find_first_of, but a plain loop: the library's form calls memchr once per byte
// of the text.
inline std::size_t FindByteOf(std::string_view text, std::string_view bytes, std::size_t from = 0) {
    for (std::size_t i = from; i < text.size(); ++i) {
        for (char b : bytes) {
            if (text[i] == b)
                return i;
        }
    }
    return std::string_view::npos;
}

}  // namespace pell
