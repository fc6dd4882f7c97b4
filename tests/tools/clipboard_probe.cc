// Test tool: writes the clipboard's CF_TEXT, byte for byte, to FILE, as
// another program would paste it. Exit 1 when the clipboard holds no text.
//   clipboard_probe FILE
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    // The clipboard may be held for a moment by the program that fills it.
    for (int i = 0; i < 50 && !OpenClipboard(nullptr); ++i)
        Sleep(100);
    HANDLE data = GetClipboardData(CF_TEXT);
    const char* text = data ? static_cast<const char*>(GlobalLock(data)) : nullptr;
    int result = 1;
    if (text) {
        if (std::FILE* out = std::fopen(argv[1], "wb")) {
            std::fwrite(text, 1, std::strlen(text), out);
            result = std::fclose(out) == 0 ? 0 : 2;
        }
        GlobalUnlock(data);
    }
    CloseClipboard();
    return result;
}
