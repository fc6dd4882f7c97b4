#pragma once
// What every text the program shows must be: code page 932 characters only,
// so no lead byte without its trail byte and no byte that makes none.
#include <string_view>

#include "mime/unicode_cp932.h"

inline bool IsWholeCp932(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80 || (c >= 0xA1 && c <= 0xDF)) {
            ++i;
            continue;
        }
        if (pell::Cp932CharLength(c) == 1 || i + 1 >= text.size() ||
            pell::Cp932Scalar(c, static_cast<unsigned char>(text[i + 1])) == 0)
            return false;
        i += 2;
    }
    return true;
}
