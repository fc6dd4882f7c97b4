#pragma once
// What one viewer keeps while it is open; owned by the window.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "notify/notify_gdi_win32.h"
#include "notify/viewer_line_break.h"
#include "notify/viewer_window_win32.h"

namespace pell {

struct ViewerWindowState {
    std::string text;
    ViewerLook look;
    HWND list = nullptr;  // null once the user has taken the viewer over
    bool closeHot = false;
    bool inMenu = false;
    int scrollLine = 0;
    int lineCount = 0;  // 0 until the first paint
    int dpi = 0;        // of the viewer's screen, found at the first paint
    // The text's display lines depend only on the text and the font, so they
    // are found once.
    bool laidOut = false;
    std::vector<ViewerLine> lines;
    UniqueFont textFont;
    UniqueFont closeFont;
    // The last picture drawn; a paint that would draw the same one (the
    // second paint after opening, a window uncovered) only copies it.
    struct Picture {
        int width = 0;
        int height = 0;
        int scrollLine = 0;
        bool closeHot = false;
        bool operator==(const Picture& other) const {
            return width == other.width && height == other.height &&
                   scrollLine == other.scrollLine && closeHot == other.closeHot;
        }
    };
    Picture drawn;
    std::unique_ptr<OffscreenCanvas> canvas;
};

ViewerWindowState* ViewerState(HWND window);

// The viewer window, created 0 x 0 and not painted yet.
HWND CreateViewerWindow(HWND list, std::string text, const ViewerLook& look, const char* title,
                        POINT pointer);

// The viewer's handlers, split by concern.
LRESULT PaintViewer(HWND window);
void OnViewerMouseMove(HWND window, LPARAM lParam);
void OnViewerLeftButtonDown(HWND window, LPARAM lParam);
void OnViewerLeftButtonUp(HWND window, LPARAM lParam);
void OnViewerRightButtonUp(HWND window);
void OnViewerCloseBoxLeft(HWND window);
void OnViewerWheel(HWND window, WPARAM wParam);
// WM_DPICHANGED: fonts and lines for the new DPI, in the suggested rectangle.
void OnViewerDpiChanged(HWND window, int dpi, const RECT* suggested);
void CloseViewer(HWND window);

}  // namespace pell
