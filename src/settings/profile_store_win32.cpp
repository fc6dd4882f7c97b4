#include "settings/profile_store_win32.h"

#include <windows.h>

#include <vector>

namespace pell {

std::string ProfileStoreWin32::ReadText(std::string_view section, std::string_view key,
                                        std::string_view fallback, std::size_t capacity) {
    if (capacity == 0)
        return std::string();
    const std::string sectionZ(section), keyZ(key), fallbackZ(fallback);
    std::vector<char> buffer(capacity + 1, '\0');
    DWORD got =
        GetPrivateProfileStringA(sectionZ.c_str(), keyZ.c_str(), fallbackZ.c_str(), buffer.data(),
                                 static_cast<DWORD>(capacity), path_.c_str());
    if (got >= capacity)
        got = static_cast<DWORD>(capacity - 1);
    return std::string(buffer.data(), got).c_str();
}

int ProfileStoreWin32::ReadInt(std::string_view section, std::string_view key, int fallback) {
    const std::string sectionZ(section), keyZ(key);
    return static_cast<int>(
        GetPrivateProfileIntA(sectionZ.c_str(), keyZ.c_str(), fallback, path_.c_str()));
}

bool ProfileStoreWin32::WriteText(std::string_view section, std::string_view key,
                                  std::optional<std::string_view> value) {
    const std::string sectionZ(section), keyZ(key);
    if (!value) {
        return WritePrivateProfileStringA(sectionZ.c_str(), keyZ.c_str(), nullptr, path_.c_str()) !=
               0;
    }
    const std::string valueZ(*value);
    return WritePrivateProfileStringA(sectionZ.c_str(), keyZ.c_str(), valueZ.c_str(),
                                      path_.c_str()) != 0;
}

bool ProfileStoreWin32::DeleteSection(std::string_view section) {
    const std::string sectionZ(section);
    return WritePrivateProfileStringA(sectionZ.c_str(), nullptr, nullptr, path_.c_str()) != 0;
}

}  // namespace pell
