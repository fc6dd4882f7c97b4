#include <climits>
#include <cstdint>

#include "settings/settings_store.h"

namespace pell {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

// The leading number of a text: blanks, an optional sign, then its digits.
struct DecimalText {
    bool negative = false;
    std::string_view digits;
};

DecimalText ScanDecimal(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    DecimalText scanned;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        scanned.negative = text[i++] == '-';
    std::size_t end = i;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9')
        ++end;
    scanned.digits = text.substr(i, end - i);
    return scanned;
}

}  // namespace

int ParseProfileInt(std::string_view text) {
    const DecimalText scanned = ScanDecimal(text);
    std::uint32_t value = 0;
    for (char digit : scanned.digits)
        value = value * 10u + static_cast<std::uint32_t>(digit - '0');
    if (scanned.negative)
        value = 0u - value;
    return static_cast<int>(value);
}

int ParseDecimal(std::string_view text) {
    const DecimalText scanned = ScanDecimal(text);
    const std::int64_t limit = static_cast<std::int64_t>(INT_MAX) + 1;
    std::int64_t value = 0;
    for (char digit : scanned.digits) {
        value = value * 10 + (digit - '0');
        if (value > limit)
            value = limit;
    }
    if (scanned.negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

}  // namespace pell
