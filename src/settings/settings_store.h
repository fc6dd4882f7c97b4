#pragma once
// The settings file as the rest of the program sees it: the three profile-file
// operations of the platform, bound to one file. Every call goes to the file
// (nothing is cached) and each call is atomic with respect to other threads.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace pell {

class SettingsStore {
  public:
    virtual ~SettingsStore() = default;

    // The value of key in section, or `fallback` when it is missing. Section and
    // key names are matched without regard to ASCII case. The result is cut to
    // `capacity` - 1 bytes, as a read into a buffer of that size would be.
    virtual std::string ReadText(std::string_view section, std::string_view key,
                                 std::string_view fallback, std::size_t capacity) = 0;

    // The value read as a decimal integer (leading sign and digits; no digits give
    // 0), or `fallback` when the key is missing or empty.
    virtual int ReadInt(std::string_view section, std::string_view key, int fallback) = 0;

    // Writes key = value, creating the file, the section and the key as needed.
    // No value (std::nullopt) deletes the key. Returns false when the write failed.
    virtual bool WriteText(std::string_view section, std::string_view key,
                           std::optional<std::string_view> value) = 0;

    // Deletes a whole section with all its keys.
    virtual bool DeleteSection(std::string_view section) = 0;

    // Convenience: writes a value that is present.
    bool Write(std::string_view section, std::string_view key, std::string_view value) {
        return WriteText(section, key, value);
    }
    bool DeleteKey(std::string_view section, std::string_view key) {
        return WriteText(section, key, std::nullopt);
    }
};

// Reads the leading decimal integer of text the way the profile API does:
// blanks, an optional sign, then digits; the value wraps to 32 bits.
int ParseProfileInt(std::string_view text);

// atoi with a defined result for any input: blanks, sign, digits, saturating
// at the limits of int instead of overflowing.
int ParseDecimal(std::string_view text);

}  // namespace pell
