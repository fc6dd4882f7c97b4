#pragma once
// Finding and trimming header field values in the head of a message.
#include <string>
#include <string_view>

namespace pell {

// The value of the first occurrence of `name` in `head` (ASCII letters of either
// case; a match inside a longer field name counts too). The value starts behind
// the first ":" from the match on, and behind one blank or tab there; it runs to
// the end of `head`. Empty when the name or its colon is missing.
std::string_view FindHeaderValue(std::string_view head, std::string_view name);
// As above; `found` tells whether the name occurs at all.
std::string_view FindHeaderValue(std::string_view head, std::string_view name, bool& found);

// The value up to the end of its field: the first CR LF that is followed by
// neither a blank nor a tab. A value whose last CR LF ends the text, or that has
// no such CR LF, is kept whole.
std::string_view CutHeaderValue(std::string_view value);

// Every CR LF followed by a blank becomes that one blank; CR LF tab stays.
std::string UnfoldHeaderValue(std::string_view value);

// The value without its CR and LF bytes.
std::string WithoutLineBreaks(std::string_view value);

// Drops one leading double quote, then ends the value at the next double quote.
std::string_view StripQuotes(std::string_view value);

}  // namespace pell
