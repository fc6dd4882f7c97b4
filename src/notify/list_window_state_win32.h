#pragma once
// What one new-mail list keeps while it is open; owned by the window.
#include <windows.h>

#include <memory>
#include <optional>
#include <vector>

#include "mail/new_mail_notice.h"
#include "notify/list_layout.h"
#include "notify/notify_gdi_win32.h"
#include "settings/settings_store.h"

namespace pell {

struct ListWindowState {
    std::unique_ptr<NewMailNotice> notice;
    SettingsStore* settings = nullptr;
    bool closeHot = false;
    bool inMenu = false;
    POINT lastPointer{0, 0};
    int selected = 0;  // 1 = first message; 0 = none
    bool highlightShown = false;
    HWND viewer = nullptr;
    int viewerLine = 0;  // the line whose viewer is open
    // Made at the first paint: the face, the heights and the texts never change.
    UniqueFont textFont;
    UniqueFont closeFont;
    std::vector<ListLine> lines;
    // Read once at creation: a list that follows the pointer is placed at it.
    bool follows = false;
    // The DPI of the list's screen, found at the first paint (0 until then).
    int dpi = 0;
    // After a DPI change the list keeps its place instead of centring itself.
    std::optional<POINT> keepAt;
    // The last picture drawn; a paint that would draw the same one only copies it.
    struct Picture {
        int width = 0;
        int height = 0;
        int highlighted = 0;  // 0: none
        bool closeHot = false;
        bool operator==(const Picture& other) const {
            return width == other.width && height == other.height &&
                   highlighted == other.highlighted && closeHot == other.closeHot;
        }
    };
    Picture drawn;
    std::unique_ptr<OffscreenCanvas> canvas;
};

ListWindowState* ListState(HWND window);

// The list window, created 0 x 0 and not painted yet.
HWND CreateListWindow(std::unique_ptr<NewMailNotice> notice, SettingsStore& settings,
                      POINT pointer);

// The list's handlers, split by concern.
void PaintList(HWND window);
void OnListMouseMove(HWND window, LPARAM lParam);
void OnListLeftButtonUp(HWND window, LPARAM lParam);
void OnListCloseBoxLeft(HWND window);
void OnListLeavingWatch(HWND window);
void OnListFollow(HWND window);
// The replacement timer: the pointer rests on a line other than the viewer's.
void OnListReplaceViewer(HWND window);
// WM_DPICHANGED: fonts and layout for the new DPI, at the suggested place.
void OnListDpiChanged(HWND window, int dpi, const RECT* suggested);
void CloseList(HWND window);
// Opens the viewer of message line `line` at the pointer's screen position.
void OpenViewerForLine(HWND window, int line, const char* title, POINT screen);

// True while the user is at the viewer (none: false): the pointer at `screen`
// lies on it, or its context menu is open. The list's rules never close or
// replace a viewer in use.
bool ViewerInUse(HWND viewer, POINT screen);

// True while Shift is held down.
inline bool ShiftHeld() {
    return GetKeyState(VK_SHIFT) < 0;
}

}  // namespace pell
