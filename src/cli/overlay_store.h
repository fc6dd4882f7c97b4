#pragma once
// A settings store that reads through to another one but keeps every write in
// memory, so that a check run with --no-save leaves the file as it was while
// still seeing its own repairs.
#include <map>
#include <optional>
#include <string>

#include "settings/settings_store.h"

namespace pell {

class OverlayStore final : public SettingsStore {
  public:
    explicit OverlayStore(SettingsStore& base) : base_(base) {}

    std::string ReadText(std::string_view section, std::string_view key, std::string_view fallback,
                         std::size_t capacity) override;
    int ReadInt(std::string_view section, std::string_view key, int fallback) override;
    bool WriteText(std::string_view section, std::string_view key,
                   std::optional<std::string_view> value) override;
    bool DeleteSection(std::string_view section) override;

  private:
    static std::string Name(std::string_view section, std::string_view key);

    SettingsStore& base_;
    // "section\nkey" in lower case -> value, or nothing for a deleted key.
    std::map<std::string, std::optional<std::string>> writes_;
    std::map<std::string, bool> deletedSections_;
};

}  // namespace pell
