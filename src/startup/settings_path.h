#pragma once
// Which settings file a run uses: beside the program, or in the per-user
// folder on NT-family systems, as a pure function of its inputs.
#include <functional>
#include <optional>
#include <string>

namespace pell {

inline constexpr char kSettingsFileName[] = "Zeririvu.ini";
// Paths are kept within 255 characters; longer per-user candidates are skipped.
inline constexpr std::size_t kMaxPathLength = 255;

struct SettingsPathInputs {
    std::string programPath;                               // full path of the program file
    std::string commandLine;                               // the command-line remainder
    unsigned majorVersion = 0;                             // platform major version
    unsigned platformId = 0;                               // 2 = NT family
    std::optional<std::string> userProfile;                // USERPROFILE, when set
    std::optional<std::string> localAppData;               // LOCALAPPDATA, when set
    std::function<bool(const std::string&)> exists;        // file or folder exists
    std::function<void(const std::string&)> createFolder;  // an existing one is fine
};

struct SettingsPathChoice {
    std::string settingsPath;
    std::string exeBaseName;  // program file name without folder and last extension
};

// True when the command line asks to keep the settings beside the program.
bool HasBesideProgramSwitch(const std::string& commandLine);

SettingsPathChoice ChooseSettingsPath(const SettingsPathInputs& in);

// True when several instances may run: the MultiExe text, upper-cased, holds
// "YES" or "TRUE" (an empty text counts as "No").
bool MultiExeAllows(const std::string& value);

}  // namespace pell
