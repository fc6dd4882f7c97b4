#pragma once
// The message viewer: a small topmost pop-up with one message's head lines and
// first body lines; it scrolls with the wheel, can be dragged, copied and
// closed, and follows its list until the user takes it over with a press.
#include <windows.h>

#include <string>

namespace pell {

// Menu commands of the viewer's context menu.
inline constexpr UINT kViewerCommandCopy = 293;
inline constexpr UINT kViewerCommandClose = 257;
// WM_TIMER ids the viewer understands: 2 closes it (timer or sent).
inline constexpr UINT_PTR kViewerTimerClose = 2;

struct ViewerLook {
    COLORREF header = 0xBE0000;
    COLORREF body = 0x000000;
    COLORREF background = 0xE6FFFF;
    std::string face;
    int fontHeight = 12;
};

// Opens a viewer for `text` at (pointer x + 17, pointer y + 18; more at a
// higher DPI), tied to `list` (which is told by WM_TIMER 4 when the viewer
// goes), and paints it twice: once to count its lines and size it, once at
// its final size.
HWND OpenMessageViewer(HWND list, std::string text, const ViewerLook& look, const char* title,
                       POINT pointer);

// Puts the whole text on the clipboard as CF_TEXT, byte for byte: 1 when it
// is there, 0 when the clipboard could not be opened, -1 without memory.
int CopyViewerText(HWND viewer);

}  // namespace pell
