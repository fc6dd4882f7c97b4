#include "mail/summary_date.h"

#include <charconv>

#include "mime/anchored_search.h"
#include "startup/text_search.h"

namespace pell {
namespace {

constexpr std::string_view kMonths = "JanFebMarAprMayJunJulAugSepOctNovDec";
constexpr std::string_view kDays = "MonTueWedThuFriSatSun";

// The position of a three-letter token in a table of three-letter names, any
// letter case: 1 for the first name, 0 when it is none of them.
int NameNumber(std::string_view table, std::string_view token) {
    if (token.size() != 3)
        return 0;
    for (std::size_t at = 0; at < table.size(); at += 3) {
        if (EqualsNoCase(table.substr(at, 3), token))
            return static_cast<int>(at / 3) + 1;
    }
    return 0;
}

// "%0*d" of the value and the width.
void AppendPadded(std::string& out, int value, int width) {
    char digits[16];
    const auto written = std::to_chars(digits, digits + sizeof digits, value);
    for (int k = static_cast<int>(written.ptr - digits); k < width; ++k)
        out += '0';
    out.append(digits, written.ptr);
}

std::string FirstLine(std::string_view value) {
    return std::string(value.substr(0, FindByteOf(value, "\r\n")));
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Reads the tokens of a date value, skipping the white space, folding and
// comments that may stand between any two of them.
class DateReader {
  public:
    explicit DateReader(std::string_view text) : text_(text) {}

    // Blanks, tabs, line breaks and comments (nested, with backslash escapes;
    // an unclosed comment runs to the end).
    void SkipSpace() {
        std::size_t depth = 0;
        while (at_ < text_.size()) {
            const char c = text_[at_];
            if (depth > 0) {
                if (c == '\\')
                    ++at_;
                else if (c == '(')
                    ++depth;
                else if (c == ')')
                    --depth;
            } else if (c == '(') {
                depth = 1;
            } else if (c != ' ' && c != '\t' && c != '\r' && c != '\n') {
                return;
            }
            ++at_;
        }
    }

    // The run of bytes of one kind at the reading position, after the space
    // before it.
    std::string_view Digits() { return Run(IsDigit); }
    std::string_view Letters() { return Run(IsLetter); }

    bool Take(char c) {
        SkipSpace();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }

  private:
    std::string_view Run(bool (*belongs)(char)) {
        SkipSpace();
        const std::size_t start = at_;
        while (at_ < text_.size() && belongs(text_[at_]))
            ++at_;
        return text_.substr(start, at_ - start);
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

int Number(std::string_view digits) {
    int value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return value;
}

// A year as written: four digits or more as they stand; two digits are 1950 to
// 2049, three digits count from 1900 (RFC 5322, 4.3).
int FullYear(std::string_view digits) {
    const int year = Number(digits);
    if (digits.size() == 2)
        return year < 50 ? 2000 + year : 1900 + year;
    if (digits.size() == 3)
        return 1900 + year;
    return year;
}

}  // namespace

std::string FormatSummaryDate(std::string_view dateValue) {
    DateReader reader(dateValue);
    // The day name is optional; a name followed by a comma is taken for one
    // whatever it says.
    const std::string_view dayName = reader.Letters();
    if (!reader.Take(',') && !dayName.empty() && NameNumber(kDays, dayName) == 0)
        return FirstLine(dateValue);
    const std::string_view day = reader.Digits();
    const int month = NameNumber(kMonths, reader.Letters());
    const std::string_view year = reader.Digits();
    if (day.empty() || day.size() > 2 || Number(day) < 1 || Number(day) > 31 || month == 0 ||
        year.size() < 2 || year.size() > 9)
        return FirstLine(dateValue);
    // The time as written, without the space that may stand around its colons.
    const std::string_view hour = reader.Digits();
    if (hour.empty() || hour.size() > 2 || !reader.Take(':'))
        return FirstLine(dateValue);
    const std::string_view minute = reader.Digits();
    if (minute.empty() || minute.size() > 2)
        return FirstLine(dateValue);
    std::string_view second;
    if (reader.Take(':')) {
        second = reader.Digits();
        if (second.empty() || second.size() > 2)
            return FirstLine(dateValue);
    }
    // The zone, written or named, is not looked at.

    std::string text;
    text.reserve(20);
    AppendPadded(text, FullYear(year), 4);
    text += '/';
    AppendPadded(text, month, 2);
    text += '/';
    AppendPadded(text, Number(day), 2);
    text += ' ';
    text.append(hour);
    text += ':';
    text.append(minute);
    if (!second.empty()) {
        text += ':';
        text.append(second);
    }
    return text;
}

}  // namespace pell
