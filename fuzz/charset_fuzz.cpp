// Conversion of any bytes from every charset to code page 932: the result is
// whole Shift_JIS characters (no lead byte without its trail byte) and bounded.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "mime/charsets.h"
#include "mime/unicode_cp932.h"

namespace {

constexpr const char* kLabels[] = {"utf-8",       "shift_jis",  "euc-jp",      "iso-2022-jp",
                                   "us-ascii",    "iso-8859-1", "iso-8859-7",  "windows-1252",
                                   "iso-8859-15", "",           "x-unknown*ja"};

// Whole characters: every lead byte has a trail byte behind it.
bool WholeCharacters(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t length = pell::Cp932CharLength(static_cast<unsigned char>(text[i]));
        if (i + length > text.size())
            return false;
        i += length;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::size_t count = sizeof kLabels / sizeof kLabels[0];
    const pell::Charset charset = pell::CharsetFromLabel(kLabels[data[0] % count]);
    const pell::CutTail tail = (data[0] & 0x80) ? pell::CutTail::kDrop : pell::CutTail::kMark;
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::string out;
    pell::AppendCharsetAsCp932(charset, text, out, tail);
    if (out.size() > 2 * text.size())
        std::abort();
    // The JIS and guessing paths may pass a stray lead byte on, as they always
    // did; the charsets this program decodes itself must not.
    const auto kind = charset.kind;
    if (kind != pell::CharsetKind::kIso2022Jp && kind != pell::CharsetKind::kUnknown &&
        !WholeCharacters(out))
        std::abort();
    std::string utf8 = pell::Cp932ToUtf8Text(out);
    if (utf8.size() > 3 * out.size())
        std::abort();
    return 0;
}
