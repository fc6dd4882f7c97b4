// ISO-2022-JP and EUC-JP conversion of any bytes, at any output capacity.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "mime/japanese_encoding.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    // The first byte chooses the capacity, the rest is the text.
    const std::size_t capacity = data[0] == 0xFF ? size + 1 : data[0];
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t length = pell::TextBeforeZero(text).size();

    std::string out;
    const int result = pell::ConvertJisToSjis(text, out, capacity);
    if (out.size() > length || out.size() > capacity)
        std::abort();
    if (result != pell::kConversionFull && static_cast<std::size_t>(result) != out.size())
        std::abort();

    if (pell::ConvertEucToSjis(text).size() > length)
        std::abort();
    const int encoding = pell::DetectJapaneseEncoding(text);
    if (encoding < 1 || encoding > 3)
        std::abort();
    return 0;
}
