#pragma once
// Behaviour every settings store must share, run against each implementation
// (the portable INI store everywhere, the profile API under Wine) so that they
// provably agree.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "settings/settings_store.h"
#include "support/temp_file.h"

namespace pell::testing {

using StoreFactory = std::function<std::unique_ptr<SettingsStore>(const std::string& path)>;

struct StoreKind {
    std::string name;
    StoreFactory make;
};

class StoreContract : public ::testing::TestWithParam<StoreKind> {
  protected:
    std::unique_ptr<SettingsStore> Open() { return GetParam().make(file.path()); }
    TempFile file{"store"};
};

inline std::string StoreKindName(const ::testing::TestParamInfo<StoreKind>& info) {
    return info.param.name;
}

}  // namespace pell::testing
