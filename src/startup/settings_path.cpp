#include "startup/settings_path.h"

#include "startup/text_search.h"

namespace pell {

bool HasBesideProgramSwitch(const std::string& commandLine) {
    return FindTextNoCase(commandLine, " -s") != kNotFound;
}

SettingsPathChoice ChooseSettingsPath(const SettingsPathInputs& in) {
    SettingsPathChoice choice;
    const std::string& program = in.programPath;
    const bool beside = HasBesideProgramSwitch(in.commandLine);
    auto exists = [&](const std::string& path) { return in.exists && in.exists(path); };

    // Zeririvu.ini beside the program.
    const std::size_t slash = program.rfind('\\');
    if (slash != std::string::npos) {
        choice.exeBaseName = program.substr(slash + 1);
        const std::size_t dot = choice.exeBaseName.rfind('.');
        if (dot != std::string::npos)
            choice.exeBaseName.erase(dot);
        choice.settingsPath = program.substr(0, slash) + "\\" + kSettingsFileName;
    } else {
        choice.settingsPath = kSettingsFileName;
    }
    if (exists(choice.settingsPath))
        return choice;

    // The program's own name with ".ini" beside it.
    const std::size_t dot = program.rfind('.');
    choice.settingsPath =
        dot != std::string::npos ? program.substr(0, dot) + ".ini" : kSettingsFileName;

    // The per-user folder on NT 5 and later, unless the switch keeps it beside.
    if (beside || exists(choice.settingsPath) || in.majorVersion <= 4 || in.platformId != 2) {
        return choice;
    }
    if (!in.userProfile || in.userProfile->empty())
        return choice;
    // Windows keeps the old per-user folder as a link to the local application
    // data; a profile without it (Wine's) gets that folder itself.
    std::string appData = *in.userProfile + "\\Local Settings\\Application Data";
    if (in.localAppData && !in.localAppData->empty() && !exists(appData))
        appData = *in.localAppData;
    const std::string company = appData + "\\corvel\\";
    const std::string folder = company + "Pell\\";
    const std::string shared = folder + kSettingsFileName;
    const std::string own = folder + choice.exeBaseName + ".ini";
    if (own.size() > kMaxPathLength || shared.size() > kMaxPathLength)
        return choice;
    if (in.createFolder) {
        in.createFolder(company);
        in.createFolder(folder);
    }
    choice.settingsPath = exists(shared) ? shared : own;
    return choice;
}

bool MultiExeAllows(const std::string& value) {
    std::string upper = value.empty() ? std::string("No") : value;
    for (char& c : upper)
        c = AsciiUpper(c);
    return FindText(upper, "YES") != kNotFound || FindText(upper, "TRUE") != kNotFound;
}

}  // namespace pell
