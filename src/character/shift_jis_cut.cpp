#include "character/shift_jis_cut.h"

namespace pell {

bool IsShiftJisLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

std::string CutShiftJis(std::string_view text, std::size_t maxBytes) {
    std::size_t end = 0;
    while (end < text.size()) {
        const std::size_t step = IsShiftJisLeadByte(static_cast<unsigned char>(text[end])) ? 2 : 1;
        if (end + step > maxBytes || end + step > text.size())
            break;
        end += step;
    }
    return std::string(text.substr(0, end));
}

}  // namespace pell
