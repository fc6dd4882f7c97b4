// Test tool: waits for the character window (exit 0 when found, 1 on time-out),
// asks every running character to close (--close), or gives the running
// character the exit command and reports how long its process took to end
// and its exit code (--exit; exit 0 when it ended within 10 s).
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    const char* kClass = "Pell32WClass";
    const char* kTitle = "Pell32 VESK";
    if (argc > 1 && std::strcmp(argv[1], "--close") == 0) {
        for (int i = 0; i < 50; ++i) {
            HWND window = FindWindowA(kClass, kTitle);
            if (!window)
                return 0;
            PostMessageA(window, WM_CLOSE, 0, 0);
            Sleep(200);
        }
        return 1;
    }
    if (argc > 1 && std::strcmp(argv[1], "--exit") == 0) {
        HWND window = FindWindowA(kClass, kTitle);
        DWORD id = 0;
        if (!window || !GetWindowThreadProcessId(window, &id))
            return 2;
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
        if (!process)
            return 2;
        const DWORD start = GetTickCount();
        PostMessageA(window, WM_COMMAND, 257, 0);  // the menu's exit command
        const bool ended = WaitForSingleObject(process, 10000) == WAIT_OBJECT_0;
        DWORD code = 0;
        GetExitCodeProcess(process, &code);
        std::printf("%lu %lu\n", static_cast<unsigned long>(GetTickCount() - start),
                    static_cast<unsigned long>(code));
        CloseHandle(process);
        return ended ? 0 : 1;
    }
    if (argc > 1 && std::strcmp(argv[1], "--count") == 0) {
        int count = 0;
        for (HWND w = FindWindowExA(nullptr, nullptr, kClass, kTitle); w;
             w = FindWindowExA(nullptr, w, kClass, kTitle)) {
            ++count;
        }
        return count;
    }
    for (int i = 0; i < 300; ++i) {
        if (FindWindowA(kClass, kTitle))
            return 0;
        Sleep(100);
    }
    return 1;
}
