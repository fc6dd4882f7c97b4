#include "mail/summary_date.h"

#include <charconv>
#include <cstdint>

#include "mime/anchored_search.h"

namespace pell {
namespace {

// Three-letter names packed as three lower-case bytes, so that a token is
// compared with each name at once.
constexpr std::uint32_t Packed(const char* name) {
    return static_cast<std::uint32_t>((name[0] | 0x20) << 16 | (name[1] | 0x20) << 8 |
                                      (name[2] | 0x20));
}
constexpr std::uint32_t kMonths[12] = {Packed("Jan"), Packed("Feb"), Packed("Mar"), Packed("Apr"),
                                       Packed("May"), Packed("Jun"), Packed("Jul"), Packed("Aug"),
                                       Packed("Sep"), Packed("Oct"), Packed("Nov"), Packed("Dec")};
constexpr std::uint32_t kDays[7] = {Packed("Mon"), Packed("Tue"), Packed("Wed"), Packed("Thu"),
                                    Packed("Fri"), Packed("Sat"), Packed("Sun")};

// The position of a three-letter token among the names, any letter case: 1
// for the first name, 0 when it is none of them.
template <std::size_t N>
int NameNumber(const std::uint32_t (&names)[N], std::string_view token) {
    if (token.size() != 3)
        return 0;
    const std::uint32_t packed = Packed(token.data());
    for (std::size_t k = 0; k < N; ++k) {
        if (names[k] == packed)
            return static_cast<int>(k) + 1;
    }
    return 0;
}

// Writes "%0*d" of a value >= 0 at `w` and returns the new end.
char* PutPadded(char* w, int value, int width) {
    char digits[16];
    const auto written = std::to_chars(digits, digits + sizeof digits, value);
    for (int k = static_cast<int>(written.ptr - digits); k < width; ++k)
        *w++ = '0';
    for (const char* d = digits; d < written.ptr; ++d)
        *w++ = *d;
    return w;
}

char* PutText(char* w, std::string_view text) {
    for (char c : text)
        *w++ = c;
    return w;
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
                // An escape at the very end escapes nothing.
                if (c == '\\' && at_ + 1 < text_.size())
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
    std::string_view Digits() { return Run<IsDigit>(); }
    std::string_view Letters() { return Run<IsLetter>(); }

    bool Take(char c) {
        SkipSpace();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }

  private:
    template <bool (*belongs)(char)>
    std::string_view Run() {
        SkipSpace();
        const std::size_t start = at_;
        while (at_ < text_.size() && belongs(text_[at_]))
            ++at_;
        return text_.substr(start, at_ - start);
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

// The value of at most nine digits.
int Number(std::string_view digits) {
    int value = 0;
    for (char c : digits)
        value = value * 10 + (c - '0');
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
    const int dayNumber = day.size() <= 2 ? Number(day) : 0;
    if (dayNumber < 1 || dayNumber > 31 || month == 0 || year.size() < 2 || year.size() > 9)
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

    char buffer[32];
    char* w = PutPadded(buffer, FullYear(year), 4);
    *w++ = '/';
    w = PutPadded(w, month, 2);
    *w++ = '/';
    w = PutPadded(w, dayNumber, 2);
    *w++ = ' ';
    w = PutText(w, hour);
    *w++ = ':';
    w = PutText(w, minute);
    if (!second.empty()) {
        *w++ = ':';
        w = PutText(w, second);
    }
    const std::string text(buffer, static_cast<std::size_t>(w - buffer));
    return text;
}

}  // namespace pell
