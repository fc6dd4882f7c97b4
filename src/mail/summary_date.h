#pragma once
// The date shown for a message, made from its Date field.
#include <string>
#include <string_view>

namespace pell {

// "YYYY/MM/DD time" from a Date value such as "Tue, 3 Feb 2004 21:05:09 +0900",
// read as RFC 5322 writes it, obsolete forms included: any white space, folding
// and comments between the tokens, no day name, two- and three-digit years
// (97 is 1997, 03 is 2003). The time is shown as written (hour and minute, and
// the seconds when given) and the zone is not looked at. A value that lacks the
// day, month, year or time, or whose month is not one of the twelve English
// abbreviations, is shown as it stands up to the end of its first line.
std::string FormatSummaryDate(std::string_view dateValue);

}  // namespace pell
