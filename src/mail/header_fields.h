#pragma once
// Finding and trimming header field values in the head of a message.
#include <string>
#include <string_view>

namespace pell {

// The value of the first field of `head` whose name holds `name` (ASCII
// letters of either case; a match at the tail of a longer name counts, as
// "Date:" in "Delivery-Date:"). The name of a field is its line up to and with
// the first ":"; continuation lines, lines without a colon and field values are
// never searched, so "from:" in the "h=" list of a signature field is not the
// sender. The value starts behind that colon, and behind one blank or tab
// there; it runs to the end of `head`. Empty when no field has the name.
std::string_view FindHeaderValue(std::string_view head, std::string_view name);
// As above; `found` tells whether a field has the name at all.
std::string_view FindHeaderValue(std::string_view head, std::string_view name, bool& found);

// One name to look up with FindHeaderValues, and what the lookup found.
struct HeaderLookup {
    std::string_view name;
    std::string_view value;
    bool found = false;
    // Instead of a part of the field name, the whole of it (given without the
    // colon; blanks before the colon allowed), as a part head's fields are
    // read. `line` is where that field's line starts.
    bool wholeName = false;
    std::size_t line = 0;
};

// Several lookups in one pass over the head, each answered as FindHeaderValue
// answers it.
void FindHeaderValues(std::string_view head, HeaderLookup* lookups, std::size_t count);

// The value up to the end of its field: the first CR LF that is followed by
// neither a blank nor a tab. A value whose last CR LF ends the text, or that has
// no such CR LF, is kept whole.
std::string_view CutHeaderValue(std::string_view value);

// The value unfolded: every CR LF followed by a blank or a tab becomes, with
// that blank or tab, one blank (a line in a list shows no tab).
std::string UnfoldHeaderValue(std::string_view value);

// The value without its CR and LF bytes.
std::string WithoutLineBreaks(std::string_view value);

// Drops one leading double quote, then ends the value at the next double quote.
std::string_view StripQuotes(std::string_view value);

}  // namespace pell
