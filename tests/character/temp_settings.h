#pragma once
// A settings file in the temporary folder, named after the running test and
// removed afterwards.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "settings/ini_file_store.h"

namespace pell::testing_support {

inline std::string TempSettingsPath() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string("pell_") + info->test_suite_name() + "_" + info->name() + ".ini";
    for (char& c : name) {
        if (c == '/')
            c = '_';
    }
    return (std::filesystem::temp_directory_path() / name).string();
}

struct TempSettings {
    TempSettings() { std::remove(store.path().c_str()); }
    ~TempSettings() { std::remove(store.path().c_str()); }
    TempSettings(const TempSettings&) = delete;
    TempSettings& operator=(const TempSettings&) = delete;

    IniFileStore store{TempSettingsPath()};
};

}  // namespace pell::testing_support
