#pragma once
// Texts taken from dialog fields before they are stored: one line (control
// characters would break the line structure of the settings file), no blanks
// at the ends where the file would drop them anyway, and never longer than the
// field's limit, cut on a character boundary.
#include <cstddef>
#include <string>
#include <string_view>

namespace pell {

// Removes control characters (below 0x20 and 0x7F) and cuts to `limit` bytes.
std::string FieldText(std::string_view text, std::size_t limit);

// The same, without the blanks at both ends.
std::string TrimmedFieldText(std::string_view text, std::size_t limit);

}  // namespace pell
