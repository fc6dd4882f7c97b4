#include "mail/loaded_library_win32.h"

#include <string>

namespace pell {

HMODULE LoadSystemLibrary(const char* name) {
    if (HMODULE module = LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32))
        return module;
    // Systems without the search flags (Windows 7 before its loader update)
    // refuse it as a parameter; they get the full path in the system folder,
    // with the library's dependencies looked up beside it first.
    if (GetLastError() != ERROR_INVALID_PARAMETER)
        return nullptr;
    char folder[MAX_PATH + 1] = {};
    const UINT length = GetSystemDirectoryA(folder, sizeof folder);
    if (length == 0 || length >= sizeof folder)
        return nullptr;
    const std::string path = std::string(folder, length) + "\\" + name;
    return LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace pell
