#pragma once
// What a paint of the viewer shows: head lines 1 to 3 always, body lines from
// 4 on unless scrolled away, at most 400 pixels of them; the window's size;
// the wheel's scroll arithmetic and the close button's squares.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "character/dpi_scale.h"
#include "notify/text_measure.h"
#include "notify/viewer_line_break.h"

namespace pell {

inline constexpr int kViewerMaxTextHeight = 400;
inline constexpr int kHeaderLines = 3;
inline constexpr std::uint32_t kNoteColour = 0x0000BE;
inline constexpr std::string_view kNoteMark = "(max ";

enum class ViewerInk { kHeader, kBody, kNote };

struct ViewerDrawnLine {
    std::string_view text;  // " " for an empty line
    ViewerInk ink = ViewerInk::kBody;
    int y = 0;
};

struct ViewerPaint {
    std::vector<ViewerDrawnLine> drawn;
    int lineCount = 0;       // lines laid out (all of them on the first paint)
    long long height = 0;    // total height of the lines laid out and not skipped
    int widest = 0;          // widest of those lines
    int lastLineHeight = 0;  // height of the last measured line
};

// Lines 4 .. scrollLine are skipped. The first paint lays out every line (it
// counts them); later paints stop once 400 pixels (at 96 DPI) are filled.
ViewerPaint PlanViewerPaint(std::string_view text, const std::vector<ViewerLine>& lines,
                            int scrollLine, bool firstPaint, TextMeasurer& measurer,
                            int dpi = kBaseDpi);

struct WindowSize {
    int width = 0;
    int height = 0;
    bool operator==(const WindowSize& other) const {
        return width == other.width && height == other.height;
    }
};

// The viewer never gets narrower; a height past 400 pixels is cut to whole
// lines of the last line's height.
WindowSize ViewerWindowSize(const ViewerPaint& paint, int currentWidth, int dpi = kBaseDpi);

// The wheel delta of a wheel message: wParam itself for the registered
// message, else its high word; a value above 0x8000 counts negative.
int WheelDelta(std::uint64_t wParam, bool registered);

// Three lines per notch; back past the top gives 3, past line count - 4 gives
// line count - 1.
int ScrollAfterWheel(int scrollLine, int delta, int lineCount);

// The close button's squares in client coordinates, with the window's width:
// where a click closes, and where the pointer makes the button hot.
// All lengths are for 96 DPI and grow with `dpi`.
bool InViewerCloseSquare(int x, int y, int windowWidth, int dpi = kBaseDpi);
bool InViewerHotSquare(int x, int y, int windowWidth, int dpi = kBaseDpi);

}  // namespace pell
