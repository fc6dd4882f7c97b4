// The program's entry: choose the settings file, decide the wheel message, take
// a skin from the command line, stay the only instance, create the main window
// and run the message loop.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "character/main_window_handlers_win32.h"
#include "character/skin_win32.h"
#include "character/window_messages.h"
#include "settings/settings_conventions.h"
#include "startup/command_line.h"
#include "startup/process_values.h"
#include "startup/settings_path.h"
#include "startup/startup_win32.h"

namespace {

using namespace pell;

std::string ProgramPath() {
    std::string path(MAX_PATH + 1, '\0');
    for (;;) {
        DWORD got = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (got < path.size()) {
            path.resize(got);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

OSVERSIONINFOA PlatformVersion() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof(version);
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
    GetVersionExA(&version);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    return version;
}

void ChooseSettingsFile(const std::string& commandLine, const OSVERSIONINFOA& version) {
    SettingsPathInputs in;
    in.programPath = ProgramPath();
    in.commandLine = commandLine;
    in.majorVersion = version.dwMajorVersion;
    in.platformId = version.dwPlatformId;
    if (const char* profile = std::getenv("USERPROFILE"))
        in.userProfile = profile;
    if (const char* local = std::getenv("LOCALAPPDATA"))
        in.localAppData = local;
    in.exists = [](const std::string& path) { return SettingsFileExists(path.c_str()); };
    in.createFolder = [](const std::string& path) { CreateDirectoryA(path.c_str(), nullptr); };
    SettingsPathChoice choice = ChooseSettingsPath(in);
    Process().settingsPath = choice.settingsPath;
    Process().exeBaseName = choice.exeBaseName;
}

void ChooseWheelMessage(const OSVERSIONINFOA& version) {
    if (version.dwMajorVersion >= 5) {
        Process().wheelMessage = WM_MOUSEWHEEL;
        Process().wheelIsRegistered = false;
    } else {
        Process().wheelMessage = RegisterWindowMessageA("MSWHEEL_ROLLMSG");
        Process().wheelIsRegistered = true;
    }
}

// The skin path as a full one: the running instance that takes it over may
// have another current folder.
std::string FullPath(const std::string& path) {
    char full[MAX_PATH + 1] = {};
    const DWORD got = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return got > 0 && got < sizeof full ? std::string(full, got) : path;
}

// A command line that names a library with the first frame is a skin. It is
// mapped as data, like every skin: a file given on the command line (a
// shortcut, a double click on a file) runs no code.
HMODULE LoadCommandLineSkin(const std::string& path) {
    if (path.empty() || !SettingsFileExists(path.c_str()))
        return nullptr;
    UniqueModule module = LoadSkinLibrary(path);
    if (!module || !HasFirstFrame(module.get()))
        return nullptr;
    return module.release();
}

// Hands the skin to a running character; true when one was found.
bool HandOverToRunningInstance(const std::string& skinPath, HMODULE& pendingSkin) {
    std::string multi = Settings().ReadText(kControlSection, "MultiExe", "", 10);
    if (MultiExeAllows(multi))
        return false;
    HWND running = FindWindowA(kMainWindowClass, kMainWindowTitle);
    if (!running)
        return false;
    SetForegroundWindow(running);
    if (pendingSkin) {
        FreeLibrary(pendingSkin);
        pendingSkin = nullptr;
        // No atom (a name too long for one) must not read as the request to
        // reload the skin from the settings.
        if (ATOM atom = GlobalAddAtomA(skinPath.c_str()))
            SendMessageA(running, MSG_SKINCHANGE, 0, static_cast<LPARAM>(atom));
    }
    return true;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLineRemainder, int) {
    const std::string commandLine = commandLineRemainder ? commandLineRemainder : "";
    const OSVERSIONINFOA version = PlatformVersion();
    ChooseSettingsFile(commandLine, version);
    ChooseWheelMessage(version);
    const std::string skinPath = FullPath(SkinPathFromCommandLine(commandLine));
    HMODULE pendingSkin = LoadCommandLineSkin(skinPath);
    if (HandOverToRunningInstance(skinPath, pendingSkin))
        return 0;
    SetPendingSkinModule(pendingSkin);
    if (!RegisterWindowClasses(instance))
        return 0;
    if (!CreateMainWindow(instance))
        return 0;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (IsOpenDialogMessage(&msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
