#pragma once
// The few values that live for the whole run and are set once at start-up.
#include <string>

namespace pell {

struct ProcessValues {
    std::string settingsPath;     // the settings file every read and write uses
    std::string exeBaseName;      // fallback settings file names are formed from it
    unsigned wheelMessage = 522;  // WM_MOUSEWHEEL, or the registered MSWHEEL_ROLLMSG
    bool wheelIsRegistered = false;
};

// The run's values; written only during start-up, before any window exists.
ProcessValues& Process();

}  // namespace pell
