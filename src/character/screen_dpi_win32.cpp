#include "character/screen_dpi_win32.h"

namespace pell {
namespace {

using DpiForWindowCall = UINT(WINAPI*)(HWND);

// Looked up once: older systems lack the call and have one DPI for all screens.
DpiForWindowCall DpiForWindow() {
    static const DpiForWindowCall call = [] {
        HMODULE user = GetModuleHandleA("user32.dll");
        return user ? reinterpret_cast<DpiForWindowCall>(
                          reinterpret_cast<void*>(GetProcAddress(user, "GetDpiForWindow")))
                    : nullptr;
    }();
    return call;
}

}  // namespace

int WindowDpi(HWND window) {
    if (DpiForWindowCall call = DpiForWindow()) {
        if (const UINT dpi = window ? call(window) : 0)
            return static_cast<int>(dpi);
    }
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

}  // namespace pell
