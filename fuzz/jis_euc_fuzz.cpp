// ISO-2022-JP and EUC-JP conversion of any bytes, at any output capacity: code
// page 932 characters only, bounded.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "mime/japanese_encoding.h"
#include "whole_characters.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    // The first byte chooses the capacity, the rest is the text.
    const std::size_t capacity = data[0] == 0xFF ? size + 1 : data[0];
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t length = pell::TextBeforeZero(text).size();

    // A byte that makes no character grows to the two-byte mark, no more.
    std::string out;
    const int result = pell::ConvertJisToSjis(text, out, capacity);
    if (out.size() > 2 * length || out.size() > capacity || !IsWholeCp932(out))
        std::abort();
    if (result != pell::kConversionFull && static_cast<std::size_t>(result) != out.size())
        std::abort();

    const std::string euc = pell::ConvertEucToSjis(text);
    if (euc.size() > 2 * length || !IsWholeCp932(euc))
        std::abort();
    const int encoding = pell::DetectJapaneseEncoding(text);
    if (encoding < 1 || encoding > 3)
        std::abort();
    return 0;
}
