#include "notify/viewer_layout.h"

#include <algorithm>
#include <limits>

namespace pell {

ViewerPaint PlanViewerPaint(std::string_view text, const std::vector<ViewerLine>& lines,
                            int scrollLine, bool firstPaint, TextMeasurer& measurer, int dpi) {
    ViewerPaint paint;
    const int limit = ScaleForDpi(kViewerMaxTextHeight, dpi);
    const int top = ScaleForDpi(2, dpi);
    for (const ViewerLine& line : lines) {
        if (!firstPaint && paint.height > limit)
            break;
        ++paint.lineCount;
        const int n = paint.lineCount;
        if (n > kHeaderLines && n <= scrollLine)
            continue;
        std::string_view shown = text.substr(line.start, line.shown);
        if (shown.empty())
            shown = " ";
        ViewerInk ink = n <= kHeaderLines ? ViewerInk::kHeader : ViewerInk::kBody;
        if (shown.find(kNoteMark) != std::string_view::npos)
            ink = ViewerInk::kNote;
        const bool drawn = paint.height < limit;
        // Lines out of sight count only for the width: a width the line search
        // learnt saves measuring them again (every line of a font is as high).
        TextSize size;
        if (!drawn && line.width >= 0 && line.shown > 0 && paint.lastLineHeight > 0) {
            size = {line.width, paint.lastLineHeight};
        } else {
            size = measurer.Measure(shown);
        }
        if (drawn)
            paint.drawn.push_back({shown, ink, static_cast<int>(paint.height) + top});
        paint.height += size.cy;
        paint.widest = std::max(paint.widest, size.cx);
        paint.lastLineHeight = size.cy;
    }
    return paint;
}

WindowSize ViewerWindowSize(const ViewerPaint& paint, int currentWidth, int dpi) {
    const int limit = ScaleForDpi(kViewerMaxTextHeight, dpi);
    const int margin = ScaleForDpi(5, dpi);
    WindowSize size;
    size.width = std::max(paint.widest + ScaleForDpi(17, dpi), currentWidth);
    if (paint.height + margin <= limit) {
        size.height = static_cast<int>(paint.height) + margin;
    } else if (paint.lastLineHeight > 0) {
        // Whole lines only; a line taller than the limit still shows.
        const int lines = std::max(1, limit / paint.lastLineHeight);
        size.height = paint.lastLineHeight * lines + margin;
    } else {
        size.height = limit + margin;
    }
    return size;
}

int WheelDelta(std::uint64_t wParam, bool registered) {
    const auto low = static_cast<std::uint32_t>(wParam);
    int delta = registered ? static_cast<std::int32_t>(low) : static_cast<int>(low >> 16);
    if (delta > 0x8000)
        delta -= 0x10000;
    return delta;
}

int ScrollAfterWheel(int scrollLine, int delta, int lineCount) {
    long long scroll = static_cast<long long>(scrollLine) - 3LL * (delta / 120);
    if (scroll < 0)
        scroll = 3;
    if (scroll > static_cast<long long>(lineCount) - 4)
        scroll = static_cast<long long>(lineCount) - 1;
    return static_cast<int>(std::clamp<long long>(scroll, std::numeric_limits<int>::min(),
                                                  std::numeric_limits<int>::max()));
}

bool InViewerCloseSquare(int x, int y, int windowWidth, int dpi) {
    return x >= windowWidth - ScaleForDpi(11, dpi) && x <= windowWidth - ScaleForDpi(5, dpi) &&
           y >= ScaleForDpi(3, dpi) && y <= ScaleForDpi(10, dpi);
}

bool InViewerHotSquare(int x, int y, int windowWidth, int dpi) {
    return x >= windowWidth - ScaleForDpi(12, dpi) && x <= windowWidth - ScaleForDpi(5, dpi) &&
           y >= ScaleForDpi(3, dpi) && y <= ScaleForDpi(10, dpi);
}

}  // namespace pell
