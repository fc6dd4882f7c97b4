#include <sys/stat.h>
#include <unistd.h>

#include "cli/cli_platform.h"
#include "settings/ini_file_store.h"
#include "startup/settings_path.h"

namespace pell {
namespace {

std::string ToBackslashes(std::string path) {
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

std::string ToSlashes(std::string path) {
    for (char& c : path)
        if (c == '\\')
            c = '/';
    return path;
}

}  // namespace

bool SettingsFileExists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

std::string DefaultSettingsPath() {
    char self[4096];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string folder = ".";
    if (length > 0) {
        std::string exe(self, static_cast<std::size_t>(length));
        std::size_t slash = exe.rfind('/');
        if (slash != std::string::npos)
            folder = exe.substr(0, slash);
    }
    // The choice of the program beside the checker; no per-user folder here.
    SettingsPathInputs in;
    in.programPath = ToBackslashes(folder + "/PellWatcher.exe");
    in.exists = [](const std::string& path) { return SettingsFileExists(ToSlashes(path)); };
    return ToSlashes(ChooseSettingsPath(in).settingsPath);
}

std::unique_ptr<SettingsStore> OpenSettingsStore(const std::string& path) {
    return std::make_unique<IniFileStore>(path);
}

void PrepareConsoleOutput() {}

}  // namespace pell
