#pragma once
// Hover tracking, the tray icon and the context menu as the main window uses
// them; until their own headers exist, do-nothing stand-ins take their place.
#if __has_include("character/tray_icon_win32.h")
#include "character/context_menu_win32.h"
#include "character/hover_tracking_win32.h"
#include "character/tray_icon_win32.h"
#else
#include "character/tray_and_hover_stub_pending_win32.h"
#endif
