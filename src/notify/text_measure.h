#pragma once
// Measuring text as one line of the font in use. The windows measure with the
// platform's text extents; tests use a fake with fixed character widths.
#include <cstddef>
#include <string_view>

namespace pell {

struct TextSize {
    int cx = 0;
    int cy = 0;
};

class TextMeasurer {
  public:
    virtual ~TextMeasurer() = default;

    // The extent of `text` drawn on one line.
    virtual TextSize Measure(std::string_view text) = 0;

    struct Fit {
        std::size_t fitting = 0;  // prefixes at most maxWidth wide
        // Widths of the prefixes up to the first that does not fit (all
        // `count` when they fit), when known.
        const int* widths = nullptr;
    };

    // How many of the prefixes text[0, ends[k]) (ends increasing, each a
    // character boundary) are at most `maxWidth` wide, counted from the first
    // as long as they fit. Widths grow with the prefix, so this is also the
    // number of leading characters that fit. The default searches by halves
    // with Measure and knows no widths; a platform may answer from one call
    // that also gives every prefix's width.
    virtual Fit FitPrefixes(std::string_view text, const std::size_t* ends, std::size_t count,
                            int maxWidth);
};

// Shift_JIS characters: a lead byte followed by a byte that can close it is one
// character; anything else (a lone lead byte included) is one byte.
// Inline: the line search asks once per byte of long texts.
inline bool IsShiftJisLead(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
inline bool IsShiftJisTrail(unsigned char c) {
    return c >= 0x40 && c <= 0xFC && c != 0x7F;
}
// The end of the character that starts at `pos` (pos < text.size()).
inline std::size_t NextCharEnd(std::string_view text, std::size_t pos) {
    if (pos + 1 < text.size() && IsShiftJisLead(static_cast<unsigned char>(text[pos])) &&
        IsShiftJisTrail(static_cast<unsigned char>(text[pos + 1]))) {
        return pos + 2;
    }
    return pos + 1;
}

}  // namespace pell
