#pragma once
// The new-mail list as plain layout: its lines, which line is highlighted
// under the pointer (or held under Shift), its size, where it stands and how
// long it stays.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "character/dpi_scale.h"
#include "mail/new_mail_notice.h"
#include "notify/text_measure.h"
#include "settings/settings_store.h"

namespace pell {

inline constexpr char kDefaultFontFace[] = "ＭＳ ゴシック";
inline constexpr char kCloseGlyphFace[] = "Marlett";
inline constexpr char kCloseGlyph[] = "r";
inline constexpr int kCloseGlyphHeight = 12;
inline constexpr std::uint32_t kCloseGlyphColour = 0x7F7F7F;
inline constexpr std::uint32_t kCloseGlyphHotColour = 0x000000;
inline constexpr std::uint32_t kCloseHotBackground = 0xBEBEBE;
// A list line longer than this is cut on a character boundary and ends in
// "...": a header from a server may be megabytes long, far wider than any screen.
inline constexpr std::size_t kListLineMaxBytes = 1024;

// The face to use: the configured one, or the default when it is empty.
std::string FaceOrDefault(std::string_view face);

// Line 0 is the notice text; line k >= 1 the k-th summary, "  %s  %s  %s" of
// its date, sender and subject.
std::size_t ListLineCount(const NewMailNotice& notice);
std::string ListLineText(const NewMailNotice& notice, std::size_t line);

struct ListPaintInput {
    int pointerX = 0;  // client coordinates
    int pointerY = 0;
    int windowWidth = 0;
    bool keyboard = false;  // Shift held: the selected line stays highlighted
    int selected = 0;       // 1 = first message; 0 = none
    // The pointer is on the selected line's viewer, which may lie over other
    // lines: the selected line stays highlighted, as under Shift, so that
    // reaching the viewer neither replaces nor closes it.
    bool pointerOnViewer = false;
    // Spacings are laid out for 96 DPI and grow with the screen's.
    int dpi = kBaseDpi;
};

struct ListDrawnLine {
    std::string text;
    int y = 0;
    std::uint32_t ink = 0;
    std::uint32_t paper = 0;
};

struct ListPaint {
    std::vector<ListDrawnLine> lines;
    bool highlightShown = false;
    int selected = 0;               // the selected line after this paint
    bool selectionChanged = false;  // a newly highlighted line became the selected one
    int width = 0;                  // widest line + 5; the close glyph stands at width - 2
    int height = 0;                 // sum of the line heights
    int dpi = kBaseDpi;             // the lengths above and below are at 96 DPI
    int windowWidth() const { return width + ScaleForDpi(12, dpi); }
    int windowHeight() const { return height + ScaleForDpi(5, dpi); }
    int closeGlyphX() const { return width - ScaleForDpi(2, dpi); }
};

// The list's lines with their extents. They depend only on the notice and the
// font, so a window measures them once and plans every paint from them.
struct ListLine {
    std::string text;
    TextSize size;
};
std::vector<ListLine> MeasureListLines(const NewMailNotice& notice, TextMeasurer& measurer);

ListPaint PlanListPaint(const NewMailNotice& notice, const std::vector<ListLine>& lines,
                        const ListPaintInput& input);
// Measures the lines and plans one paint from them.
ListPaint PlanListPaint(const NewMailNotice& notice, TextMeasurer& measurer,
                        const ListPaintInput& input);

// The close button's square in client coordinates, with the window's width.
bool InListCloseSquare(int x, int y, int windowWidth, int dpi = kBaseDpi);

struct DesktopRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

struct ListPosition {
    int x = 0;
    int y = 0;
    bool operator==(const ListPosition& other) const { return x == other.x && y == other.y; }
};

// The list centred on the desktop (division toward zero).
ListPosition CentredOnDesktop(const DesktopRect& desktop, int width, int height);

// Below and right of the pointer, kept inside the desktop's right edge, and
// above the pointer when it would pass the bottom.
ListPosition FollowPointer(int pointerX, int pointerY, int width, int height,
                           const DesktopRect& desktop);

// [Control] MessageKillTimer in milliseconds: a missing or negative value is
// written back as 5 seconds, and 0 also means 5 seconds.
std::uint32_t ListCloseDelayMs(SettingsStore& settings);

}  // namespace pell
