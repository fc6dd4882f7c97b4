// The main character window. For now it only ends the run when destroyed and
// takes over a skin library handed to it; the character itself comes later.
#include <windows.h>

#include "character/window_messages.h"
#include "startup/startup_win32.h"

namespace pell {
namespace {

HMODULE g_skinModule = nullptr;

void ReleaseSkin() {
    if (g_skinModule)
        FreeLibrary(g_skinModule);
    g_skinModule = nullptr;
}

// wParam 0: lParam is a global atom naming the library (from a second instance).
void TakeSkinFromAtom(LPARAM lParam) {
    char name[512] = {};
    const ATOM atom = static_cast<ATOM>(lParam);
    GlobalGetAtomNameA(atom, name, sizeof(name));
    GlobalDeleteAtom(atom);
    ReleaseSkin();
    g_skinModule = LoadLibraryA(name);
}

}  // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            g_skinModule = TakePendingSkinModule();
            return 0;
        case WM_DESTROY:
            ReleaseSkin();
            PostQuitMessage(0);
            return 0;
        case MSG_SKINCHANGE:
            if (wParam == 0 && lParam != 0)
                TakeSkinFromAtom(lParam);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace pell
