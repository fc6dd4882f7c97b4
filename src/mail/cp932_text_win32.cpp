// Code page 932 to UTF-8 with the platform's conversion tables.
#include <windows.h>

#include "mail/cp932_text.h"

namespace pell {

std::string Cp932ToUtf8(std::string_view text) {
    std::wstring wide;
    wide.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        // One character at a time, so that a bad one costs only itself.
        std::size_t length = SjisCharLength(static_cast<unsigned char>(text[pos]));
        if (pos + length > text.size())
            length = text.size() - pos;
        wchar_t unit[2];
        int got = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, text.data() + pos,
                                      static_cast<int>(length), unit, 2);
        if (got <= 0) {
            wide.push_back(L'\xFFFD');
            pos += 1;
            continue;
        }
        wide.append(unit, static_cast<std::size_t>(got));
        pos += length;
    }
    if (wide.empty())
        return {};
    int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                   0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(),
                            size, nullptr, nullptr);
    return out;
}

}  // namespace pell
