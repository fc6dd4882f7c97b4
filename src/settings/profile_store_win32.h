#pragma once
// The settings store over the Windows profile API (GetPrivateProfileStringA,
// GetPrivateProfileIntA, WritePrivateProfileStringA).
#include <string>

#include "settings/settings_store.h"

namespace pell {

class ProfileStoreWin32 final : public SettingsStore {
  public:
    explicit ProfileStoreWin32(std::string path) : path_(std::move(path)) {}

    std::string ReadText(std::string_view section, std::string_view key, std::string_view fallback,
                         std::size_t capacity) override;
    int ReadInt(std::string_view section, std::string_view key, int fallback) override;
    bool WriteText(std::string_view section, std::string_view key,
                   std::optional<std::string_view> value) override;
    bool DeleteSection(std::string_view section) override;

  private:
    std::string path_;
};

}  // namespace pell
