#pragma once
// Fonts of the pop-up windows, made from a face name and a height.
#include <windows.h>

#include "notify/notify_gdi_win32.h"

namespace pell {

// The font described by the face's enumerated descriptions with the given
// height (width 0). Of several descriptions the last one of the system's
// character set wins, else the last one. An unknown face gives the system's
// default face for its character set at that height.
UniqueFont MakeFaceFont(HDC dc, const char* face, int height);

}  // namespace pell
