#pragma once
// Breaking the viewer's text into display lines: a line ends at CR LF, before
// the character that would make it wider than 500 pixels at 96 DPI (one character that
// is wider alone makes a line by itself), or before it would pass the line
// buffer's 299 bytes; a double-byte character is never split.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "notify/text_measure.h"

namespace pell {

inline constexpr int kViewerLineMaxWidth = 500;
// The line buffer holds 300 bytes with its terminator. A longer line goes on
// in the next one, so no text is lost with a tiny font.
inline constexpr std::size_t kViewerLineMaxBytes = 299;

struct LineBreak {
    std::size_t shown = 0;     // bytes at the start of the rest shown on the line
    std::size_t consumed = 0;  // bytes used up by the line (the shown ones and a CR LF)
    int width = -1;            // width of the shown bytes when the search learnt it
    bool operator==(const LineBreak& other) const {
        return shown == other.shown && consumed == other.consumed;
    }
};

// The first line of a non-empty rest. Measures only characters that can still
// belong to the line, so the cost does not grow with the rest: first the
// `guessBytes` most likely to hold the line (the previous line's length is a
// good guess), all of them only when those fit.
LineBreak NextViewerLine(std::string_view rest, TextMeasurer& measurer,
                         std::size_t guessBytes = kViewerLineMaxBytes,
                         int maxWidth = kViewerLineMaxWidth);

// The same line found the plain way: the first 0, 1, 2, ... characters are
// measured one prefix after the other until a rule ends the line. Kept as the
// reference the fast search is checked and timed against.
LineBreak NextViewerLineByPrefix(std::string_view rest, TextMeasurer& measurer,
                                 int maxWidth = kViewerLineMaxWidth);

// One display line of the whole text.
struct ViewerLine {
    std::uint32_t start = 0;
    std::uint16_t shown = 0;
    std::uint16_t consumed = 0;
    std::int16_t width = -1;  // known width of the shown bytes, or -1
};

// `maxWidth`: the widest line in pixels, 500 scaled for the screen's DPI.
std::vector<ViewerLine> BreakViewerText(std::string_view text, TextMeasurer& measurer,
                                        int maxWidth = kViewerLineMaxWidth);

}  // namespace pell
