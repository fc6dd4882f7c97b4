#include "notify/viewer_layout.h"

#include <algorithm>
#include <limits>

namespace pell {

ViewerPaint PlanViewerPaint(std::string_view text, const std::vector<ViewerLine>& lines,
                            int scrollLine, bool firstPaint, TextMeasurer& measurer) {
    ViewerPaint paint;
    for (const ViewerLine& line : lines) {
        if (!firstPaint && paint.height > kViewerMaxTextHeight)
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
        const bool drawn = paint.height < kViewerMaxTextHeight;
        // Lines out of sight count only for the width: a width the line search
        // learnt saves measuring them again (every line of a font is as high).
        TextSize size;
        if (!drawn && line.width >= 0 && line.shown > 0 && paint.lastLineHeight > 0) {
            size = {line.width, paint.lastLineHeight};
        } else {
            size = measurer.Measure(shown);
        }
        if (drawn)
            paint.drawn.push_back({shown, ink, static_cast<int>(paint.height) + 2});
        paint.height += size.cy;
        paint.widest = std::max(paint.widest, size.cx);
        paint.lastLineHeight = size.cy;
    }
    return paint;
}

WindowSize ViewerWindowSize(const ViewerPaint& paint, int currentWidth) {
    WindowSize size;
    size.width = std::max(paint.widest + 17, currentWidth);
    if (paint.height + 5 <= kViewerMaxTextHeight) {
        size.height = static_cast<int>(paint.height) + 5;
    } else if (paint.lastLineHeight > 0) {
        // Whole lines only; a line taller than the limit still shows.
        const int lines = std::max(1, kViewerMaxTextHeight / paint.lastLineHeight);
        size.height = paint.lastLineHeight * lines + 5;
    } else {
        size.height = kViewerMaxTextHeight + 5;
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

bool InViewerCloseSquare(int x, int y, int windowWidth) {
    return x >= windowWidth - 11 && x <= windowWidth - 5 && y >= 3 && y <= 10;
}

bool InViewerHotSquare(int x, int y, int windowWidth) {
    return x >= windowWidth - 12 && x <= windowWidth - 5 && y >= 3 && y <= 10;
}

}  // namespace pell
