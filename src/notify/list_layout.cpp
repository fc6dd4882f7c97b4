#include "notify/list_layout.h"

#include <algorithm>

#include "character/shift_jis_cut.h"
#include "settings/settings_conventions.h"

namespace pell {
namespace {

constexpr int kDefaultCloseSeconds = 5;

std::string Bounded(std::string text) {
    if (text.size() <= kListLineMaxBytes)
        return text;
    return CutShiftJis(text, kListLineMaxBytes) + "...";
}

}  // namespace

std::string FaceOrDefault(std::string_view face) {
    return face.empty() ? std::string(kDefaultFontFace) : std::string(face);
}

std::size_t ListLineCount(const NewMailNotice& notice) {
    return 1 + (notice.summaries ? notice.summaries->size() : 0);
}

std::string ListLineText(const NewMailNotice& notice, std::size_t line) {
    if (line == 0)
        return Bounded(notice.text);
    if (!notice.summaries || line > notice.summaries->size())
        return std::string();
    const MailSummary& summary = (*notice.summaries)[line - 1];
    return Bounded("  " + summary.date + "  " + summary.sender + "  " + summary.subject);
}

std::vector<ListLine> MeasureListLines(const NewMailNotice& notice, TextMeasurer& measurer) {
    std::vector<ListLine> lines(ListLineCount(notice));
    for (std::size_t e = 0; e < lines.size(); ++e) {
        lines[e].text = ListLineText(notice, e);
        lines[e].size = measurer.Measure(lines[e].text);
    }
    return lines;
}

ListPaint PlanListPaint(const NewMailNotice& notice, TextMeasurer& measurer,
                        const ListPaintInput& input) {
    return PlanListPaint(notice, MeasureListLines(notice, measurer), input);
}

ListPaint PlanListPaint(const NewMailNotice& notice, const std::vector<ListLine>& lines,
                        const ListPaintInput& input) {
    ListPaint paint;
    paint.selected = input.selected;
    paint.dpi = input.dpi;
    const int margin = ScaleForDpi(3, input.dpi);
    const int top = ScaleForDpi(2, input.dpi);
    int widest = 0;
    const bool held = input.keyboard || input.pointerOnViewer;
    for (std::size_t e = 0; e < lines.size(); ++e) {
        ListDrawnLine line;
        line.text = lines[e].text;
        const TextSize size = lines[e].size;
        const int lineNo = static_cast<int>(e);
        const int f = held ? paint.selected : lineNo;
        bool highlighted = false;
        if (notice.body && f != 0 && lineNo == f) {
            const bool inBand =
                input.pointerX > margin && input.pointerX < input.windowWidth - margin &&
                input.pointerY > f * size.cy + top && input.pointerY < (f + 1) * size.cy + top;
            highlighted = held || inBand;
        }
        line.ink = highlighted ? notice.selectTextColor : notice.textColor;
        line.paper = highlighted ? notice.selectBackGroundColor : notice.backGroundColor;
        if (highlighted) {
            paint.highlightShown = true;
            if (f != paint.selected) {
                paint.selected = f;
                paint.selectionChanged = true;
            }
        }
        if (e == 0)
            line.ink = notice.titleTextColor;
        line.y = lineNo * size.cy + top;
        paint.height += size.cy;
        widest = std::max(widest, size.cx);
        paint.lines.push_back(std::move(line));
    }
    paint.width = widest + ScaleForDpi(5, input.dpi);
    return paint;
}

bool InListCloseSquare(int x, int y, int windowWidth, int dpi) {
    return x >= windowWidth - ScaleForDpi(11, dpi) && x <= windowWidth - ScaleForDpi(5, dpi) &&
           y >= ScaleForDpi(3, dpi) && y <= ScaleForDpi(10, dpi);
}

ListPosition CentredOnDesktop(const DesktopRect& desktop, int width, int height) {
    const long long x =
        desktop.left + (static_cast<long long>(desktop.right) - desktop.left - width) / 2;
    const long long y =
        desktop.top + (static_cast<long long>(desktop.bottom) - desktop.top - height) / 2;
    return {static_cast<int>(x), static_cast<int>(y)};
}

ListPosition FollowPointer(int pointerX, int pointerY, int width, int height,
                           const DesktopRect& desktop) {
    ListPosition at{pointerX - 1, pointerY + 18};
    if (static_cast<long long>(at.x) + width > desktop.right)
        at.x = desktop.right - width;
    if (static_cast<long long>(at.y) + height > desktop.bottom)
        at.y = pointerY - height - 5;
    return at;
}

std::uint32_t ListCloseDelayMs(SettingsStore& settings) {
    int seconds =
        ReadRepairingNumber(settings, kControlSection, "MessageKillTimer", kDefaultCloseSeconds);
    if (seconds <= 0)
        seconds = kDefaultCloseSeconds;
    // Timers cannot run longer than about 24.8 days.
    return static_cast<std::uint32_t>(std::min<long long>(seconds * 1000LL, 0x7FFFFFFF));
}

}  // namespace pell
