#include "mail/summary_date.h"

#include <algorithm>
#include <charconv>

#include "mime/anchored_search.h"
#include "settings/settings_store.h"
#include "startup/text_search.h"

namespace pell {
namespace {

constexpr std::string_view kMonths = "JanFebMarAprMayJunJulAugSepOctNovDec";

// 1 to 12, or 0 when the token is not one of the abbreviations.
int MonthNumber(std::string_view token) {
    if (token.size() != 3)
        return 0;
    const std::size_t at = FindTextNoCase(kMonths, token);
    if (at == kNotFound || at % 3 != 0)
        return 0;
    return static_cast<int>(at / 3) + 1;
}

// "%0*d" of the value and the width.
void AppendPadded(std::string& out, int value, int width) {
    char digits[16];
    const auto written = std::to_chars(digits, digits + sizeof digits, value);
    const int length = static_cast<int>(written.ptr - digits);
    const bool negative = value < 0;
    if (negative)
        out += '-';
    // The sign counts in the width, as printf counts it.
    for (int k = length; k < width; ++k)
        out += '0';
    out.append(digits + (negative ? 1 : 0), written.ptr);
}

std::string FirstLine(std::string_view value) {
    return std::string(value.substr(0, FindByteOf(value, "\r\n")));
}

}  // namespace

std::string FormatSummaryDate(std::string_view dateValue) {
    std::string_view v = dateValue;
    const std::size_t comma = v.find(',');
    if (comma != std::string_view::npos)
        v.remove_prefix(std::min(v.size(), comma + 2));

    const std::size_t dayEnd = v.find(' ');
    if (dayEnd == std::string_view::npos)
        return FirstLine(dateValue);
    const std::size_t monthEnd = v.find(' ', dayEnd + 1);
    if (monthEnd == std::string_view::npos)
        return FirstLine(dateValue);
    const std::size_t yearEnd = v.find(' ', monthEnd + 1);
    if (yearEnd == std::string_view::npos)
        return FirstLine(dateValue);
    // The zone behind the time may be missing; the time then runs to the end of
    // the line.
    std::string_view time = v.substr(yearEnd + 1);
    time = time.substr(0, FindByteOf(time, " \r\n"));
    const int month = MonthNumber(v.substr(dayEnd + 1, monthEnd - dayEnd - 1));
    if (month == 0 || time.empty())
        return FirstLine(dateValue);

    const int day = ParseDecimal(v.substr(0, dayEnd));
    const int year = ParseDecimal(v.substr(monthEnd + 1));
    std::string text;
    text.reserve(11 + time.size());
    AppendPadded(text, year, 4);
    text += '/';
    AppendPadded(text, month, 2);
    text += '/';
    AppendPadded(text, day, 2);
    text += ' ';
    text.append(time);
    return text;
}

}  // namespace pell
