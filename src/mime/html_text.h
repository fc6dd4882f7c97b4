#pragma once
// The readable text of an HTML mail, for the viewer.
#include <string>
#include <string_view>

namespace pell {

// Turns HTML already converted to Shift_JIS into plain text: tags go, "br",
// "p", "div", "li", "tr", headings and a few other blocks end a line (CR LF),
// "script", "style", "head" and comments go with their contents, runs of blanks
// and line breaks become one blank (except inside "pre"), at most one empty
// line follows another, and the common named entities and numeric character
// references become their characters ("〓" where Shift_JIS has none). An
// unterminated tag or comment hides the rest of the text.
std::string HtmlToText(std::string_view html);

// The charset that an HTML text names in its first bytes (a meta tag's
// "charset=" value), or empty.
std::string HtmlDeclaredCharset(std::string_view html);

}  // namespace pell
