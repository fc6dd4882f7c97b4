// Header values of any bytes: decoding must stay in bounds; no decoded byte
// comes from less than half a byte of the value ("〓" for one bad byte), and
// the text holds code page 932 characters only.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "mime/encoded_words.h"
#include "mime/japanese_encoding.h"
#include "whole_characters.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::string value = input;
    pell::DecodeHeaderText(value);
    if (value.size() > 2 * pell::TextBeforeZero(input).size())
        std::abort();
    if (value.find('\0') != std::string::npos || !IsWholeCp932(value))
        std::abort();
    return 0;
}
