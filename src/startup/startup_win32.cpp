#include "startup/startup_win32.h"

#include <memory>

#include "character/window_messages.h"
#include "settings/profile_store_win32.h"
#include "startup/process_values.h"

namespace pell {
namespace {

HWND g_mainWindow = nullptr;
HMODULE g_pendingSkin = nullptr;

}  // namespace

HINSTANCE ProgramInstance() {
    return GetModuleHandleA(nullptr);
}
HWND MainWindow() {
    return g_mainWindow;
}
void SetMainWindow(HWND window) {
    g_mainWindow = window;
}

HMODULE TakePendingSkinModule() {
    HMODULE module = g_pendingSkin;
    g_pendingSkin = nullptr;
    return module;
}
void SetPendingSkinModule(HMODULE module) {
    g_pendingSkin = module;
}

SettingsStore& Settings() {
    // Never destroyed: a check worker still stuck at exit (for example in a
    // name lookup that cannot be cancelled) may touch it on its way out.
    static ProfileStoreWin32* store = new ProfileStoreWin32(Process().settingsPath);
    return *store;
}

bool SettingsFileExists(const char* path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    return true;
}

int RegisterWindowClasses(HINSTANCE instance) {
    struct ClassInfo {
        const char* name;
        WNDPROC proc;
        int extraBytes;
    };
    const ClassInfo classes[] = {
        {kMainWindowClass, MainWindowProc, 0},
        {kViewerWindowClass, ViewerWindowProc, 4},
        {kTooltipWindowClass, TooltipWindowProc, 0},
        {kListWindowClass, ListWindowProc, 4},
    };
    ATOM last = 0;
    for (const ClassInfo& info : classes) {
        WNDCLASSA wc{};
        wc.style = 0;
        wc.lpfnWndProc = info.proc;
        wc.cbWndExtra = info.extraBytes;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
        wc.lpszClassName = info.name;
        last = RegisterClassA(&wc);
    }
    return last != 0;
}

int CreateMainWindow(HINSTANCE instance) {
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT, kMainWindowClass,
                                  kMainWindowTitle, WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0,
                                  0, 0, nullptr, nullptr, instance, nullptr);
    if (!window)
        return 0;
    SetMainWindow(window);
    return 1;
}

}  // namespace pell
