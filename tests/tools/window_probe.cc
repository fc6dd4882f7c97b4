// Test tool: waits for the character window (exit 0 when found, 1 on time-out),
// or asks every running character to close (--close).
#include <windows.h>

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
