#pragma once
// A settings store over an INI file that follows the observable rules of the
// Windows profile API, so that the program behaves the same on any system:
// names match without regard to ASCII case, blanks around names and values are
// trimmed, a value in matching quotes loses them, the first of repeated
// sections or keys wins, writes keep every other line of the file as it was and
// end new lines with CR LF. Nothing is cached; calls are serialised.
#include <string>

#include "settings/settings_store.h"

namespace pell {

class IniFileStore final : public SettingsStore {
  public:
    explicit IniFileStore(std::string path) : path_(std::move(path)) {}

    std::string ReadText(std::string_view section, std::string_view key, std::string_view fallback,
                         std::size_t capacity) override;
    int ReadInt(std::string_view section, std::string_view key, int fallback) override;
    bool WriteText(std::string_view section, std::string_view key,
                   std::optional<std::string_view> value) override;
    bool DeleteSection(std::string_view section) override;

    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

}  // namespace pell
