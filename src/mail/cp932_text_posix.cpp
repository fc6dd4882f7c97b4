// Code page 932 to UTF-8 with iconv.
#include <iconv.h>

#include <cerrno>

#include "mail/cp932_text.h"

namespace pell {

std::string Cp932ToUtf8(std::string_view text) {
    static const char kReplacement[] = "\xEF\xBF\xBD";
    std::string out;
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return out;
    out.reserve(text.size() * 3 / 2 + 8);
    std::size_t pos = 0;
    char buffer[1024];
    while (pos < text.size()) {
        // One character at a time, so that a bad one costs only itself.
        std::size_t length = SjisCharLength(static_cast<unsigned char>(text[pos]));
        if (pos + length > text.size())
            length = text.size() - pos;
        char* in = const_cast<char*>(text.data() + pos);
        std::size_t inLeft = length;
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        if (rc == static_cast<std::size_t>(-1) || inLeft != 0) {
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            out += kReplacement;
            pos += 1;
            continue;
        }
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        pos += length;
    }
    iconv_close(cd);
    return out;
}

}  // namespace pell
