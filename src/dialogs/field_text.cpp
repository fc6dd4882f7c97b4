#include "dialogs/field_text.h"

#include "character/shift_jis_cut.h"
#include "settings/ini_document.h"

namespace pell {

std::string FieldText(std::string_view text, std::size_t limit) {
    std::string clean;
    clean.reserve(text.size() < limit ? text.size() : limit);
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            continue;
        clean += c;
    }
    return CutShiftJis(clean, limit);
}

std::string TrimmedFieldText(std::string_view text, std::size_t limit) {
    return FieldText(TrimBlanks(FieldText(text, text.size())), limit);
}

}  // namespace pell
