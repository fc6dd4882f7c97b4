// Conversion of any bytes from every charset to code page 932: the result is
// code page 932 characters only (never a broken byte) and bounded.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "mime/charsets.h"
#include "mime/unicode_cp932.h"
#include "whole_characters.h"

namespace {

constexpr const char* kLabels[] = {"utf-8",       "shift_jis",  "euc-jp",       "iso-2022-jp",
                                   "us-ascii",    "iso-8859-1", "iso-8859-7",   "windows-1252",
                                   "iso-8859-15", "",           "x-unknown*ja", "windows-1251",
                                   "koi8-r",      "gb18030",    "big5",         "euc-kr"};

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
    if (!IsWholeCp932(out))
        std::abort();
    std::string utf8 = pell::Cp932ToUtf8Text(out);
    if (utf8.size() > 3 * out.size())
        std::abort();
    return 0;
}
