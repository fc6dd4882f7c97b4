#pragma once
// The new-mail list: a borderless topmost pop-up with the notice's title line
// and one line per new message, from which the viewer opens. Each list owns
// its notice and frees it when it closes.
#include <windows.h>

#include <memory>

#include "mail/new_mail_notice.h"
#include "settings/settings_store.h"

namespace pell {

// Timer ids of the list window (and the sent WM_TIMER ids it understands).
enum ListTimer : UINT_PTR {
    kListTimerFollow = 1,
    kListTimerClose = 2,
    kListTimerLeaving = 3,
    kListTimerViewerGone = 4,  // sent by a viewer, lParam = the viewer
    // The pointer rested on another line: its viewer replaces the open one.
    kListTimerReplaceViewer = 5,
};

// Creates a list for the notice below the pointer, paints it once (which sizes
// and shows it) and gives the focus back to the window that was in front.
// Null when the window could not be made (the notice is then released).
HWND OpenNewMailList(std::unique_ptr<NewMailNotice> notice, SettingsStore& settings, POINT pointer);

// The viewer opened from a list, or null.
HWND ListViewer(HWND list);

}  // namespace pell
