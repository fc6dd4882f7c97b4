#pragma once
// The dots per inch of the screen a window stands on.
#include <windows.h>

namespace pell {

// Sent to a window whose screen's DPI changed (it moved to another monitor,
// or the user changed the scale): wParam's low word is the new DPI.
inline constexpr UINT kMessageDpiChanged = 0x02E0;  // WM_DPICHANGED

// The window's DPI where the system tells it per monitor (Windows 10 1607 and
// later), else the system's DPI.
int WindowDpi(HWND window);

}  // namespace pell
