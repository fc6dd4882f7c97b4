#include "mail/summary_date.h"

#include <algorithm>
#include <cstdio>

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

std::string FirstLine(std::string_view value) {
    return std::string(value.substr(0, value.find_first_of("\r\n")));
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
    time = time.substr(0, time.find_first_of(" \r\n"));
    const int month = MonthNumber(v.substr(dayEnd + 1, monthEnd - dayEnd - 1));
    if (month == 0 || time.empty())
        return FirstLine(dateValue);

    const int day = ParseDecimal(v.substr(0, dayEnd));
    const int year = ParseDecimal(v.substr(monthEnd + 1));
    char head[48];
    std::snprintf(head, sizeof head, "%04d/%02d/%02d ", year, month, day);
    std::string text = head;
    text.append(time);
    return text;
}

}  // namespace pell
