#pragma once
// A settings store over a temporary INI file that also records every write in
// order ("Section/Key=value", "Section/Key deleted", "[Section] deleted").
#include <string>
#include <vector>

#include "settings/ini_file_store.h"
#include "support/temp_file.h"

namespace pell::testing {

class RecordingStore final : public SettingsStore {
  public:
    std::string ReadText(std::string_view section, std::string_view key, std::string_view fallback,
                         std::size_t capacity) override {
        return file_store.ReadText(section, key, fallback, capacity);
    }
    int ReadInt(std::string_view section, std::string_view key, int fallback) override {
        return file_store.ReadInt(section, key, fallback);
    }
    bool WriteText(std::string_view section, std::string_view key,
                   std::optional<std::string_view> value) override {
        std::string entry = std::string(section) + "/" + std::string(key);
        entry += value ? "=" + std::string(*value) : " deleted";
        writes.push_back(entry);
        return file_store.WriteText(section, key, value);
    }
    bool DeleteSection(std::string_view section) override {
        writes.push_back("[" + std::string(section) + "] deleted");
        return file_store.DeleteSection(section);
    }

    std::string Get(std::string_view section, std::string_view key) {
        return file_store.ReadText(section, key, "<none>", 1024);
    }

    TempFile file;
    IniFileStore file_store{file.path()};
    std::vector<std::string> writes;
};

}  // namespace pell::testing
