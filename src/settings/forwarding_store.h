#pragma once
// A store that hands every call on to another one. Stores that watch or
// limit what reaches the file derive from it and override the calls they
// change.
#include "settings/settings_store.h"

namespace pell {

class ForwardingStore : public SettingsStore {
  public:
    explicit ForwardingStore(SettingsStore& inner) : inner_(inner) {}

    std::string ReadText(std::string_view section, std::string_view key, std::string_view fallback,
                         std::size_t capacity) override {
        return inner_.ReadText(section, key, fallback, capacity);
    }
    int ReadInt(std::string_view section, std::string_view key, int fallback) override {
        return inner_.ReadInt(section, key, fallback);
    }
    bool WriteText(std::string_view section, std::string_view key,
                   std::optional<std::string_view> value) override {
        return inner_.WriteText(section, key, value);
    }
    bool DeleteSection(std::string_view section) override { return inner_.DeleteSection(section); }

  private:
    SettingsStore& inner_;
};

}  // namespace pell
