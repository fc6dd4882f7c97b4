#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "cli/cli_platform.h"
#include "settings/profile_store_win32.h"
#include "startup/settings_path.h"

namespace pell {

bool SettingsFileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string DefaultSettingsPath() {
    char self[MAX_PATH + 1] = {};
    DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string exe(self, length);
    std::size_t slash = exe.rfind('\\');
    std::string folder = slash == std::string::npos ? "." : exe.substr(0, slash);

    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GetVersionExA(&version);
#pragma GCC diagnostic pop
    // The same choice the program makes when it lies beside the checker; the
    // checker creates no folders.
    SettingsPathInputs in;
    in.programPath = folder + "\\PellWatcher.exe";
    in.majorVersion = version.dwMajorVersion;
    in.platformId = version.dwPlatformId;
    if (const char* profile = std::getenv("USERPROFILE"))
        in.userProfile = profile;
    if (const char* local = std::getenv("LOCALAPPDATA"))
        in.localAppData = local;
    in.exists = [](const std::string& path) { return SettingsFileExists(path); };
    return ChooseSettingsPath(in).settingsPath;
}

std::unique_ptr<SettingsStore> OpenSettingsStore(const std::string& path) {
    // The profile API looks for a bare name in the Windows folder.
    char full[MAX_PATH + 1] = {};
    DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    return std::make_unique<ProfileStoreWin32>(length > 0 && length < MAX_PATH ? full : path);
}

void PrepareConsoleOutput() {
    _setmode(_fileno(stdout), _O_BINARY);
}

}  // namespace pell
