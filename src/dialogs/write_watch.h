#pragma once
// A settings store that forwards every call and remembers whether a write
// failed (a read-only file, a full disk), so that a dialog can tell the user
// that the changes did not reach the file.
#include "settings/settings_store.h"

namespace pell {

class WriteWatchStore final : public SettingsStore {
  public:
    explicit WriteWatchStore(SettingsStore& inner) : inner_(inner) {}

    std::string ReadText(std::string_view section, std::string_view key, std::string_view fallback,
                         std::size_t capacity) override {
        return inner_.ReadText(section, key, fallback, capacity);
    }
    int ReadInt(std::string_view section, std::string_view key, int fallback) override {
        return inner_.ReadInt(section, key, fallback);
    }
    bool WriteText(std::string_view section, std::string_view key,
                   std::optional<std::string_view> value) override {
        return Note(inner_.WriteText(section, key, value));
    }
    bool DeleteSection(std::string_view section) override {
        return Note(inner_.DeleteSection(section));
    }

    bool failed() const { return failed_; }

  private:
    bool Note(bool ok) {
        if (!ok)
            failed_ = true;
        return ok;
    }

    SettingsStore& inner_;
    bool failed_ = false;
};

}  // namespace pell
