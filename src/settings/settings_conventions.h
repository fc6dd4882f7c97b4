#pragma once
// How values are written and read in the settings file: flags, repairing
// numbers, colours. Missing values are repaired by writing their defaults back.
#include <cstdint>
#include <string>
#include <string_view>

#include "settings/settings_store.h"

namespace pell {

inline constexpr std::string_view kControlSection = "Control";
inline constexpr std::string_view kPoplistSection = "Poplist";
inline constexpr std::string_view kYes = "Yes";
inline constexpr std::string_view kNo = "No";

// True for "YES"/"TRUE" in any ASCII case or exactly "1".
bool IsTrueFlagText(std::string_view text);

struct FlagReading {
    bool value = false;
    std::string text;  // the text that was judged
};

// Reads a flag; a missing or empty one is written back with `fallback` ("Yes"
// or "No") and judged as that text. `capacity` is the read buffer's size.
FlagReading ReadFlagText(SettingsStore& store, std::string_view section, std::string_view key,
                         std::string_view fallback, std::size_t capacity = 32);
bool ReadFlag(SettingsStore& store, std::string_view section, std::string_view key,
              std::string_view fallback);

// Writes a flag as "Yes" or "No".
void WriteFlag(SettingsStore& store, std::string_view section, std::string_view key, bool on);

// Hexadecimal COLORREF digits (0x00BBGGRR); an empty value gives `fallback`.
// Every character contributes a nibble by the digit rule, without an error.
std::uint32_t HexColorFromText(std::string_view text);
std::uint32_t ReadHexColor(SettingsStore& store, std::string_view section, std::string_view key,
                           std::uint32_t fallback);

// The -1 rule: read as text with default "-1"; a negative value is replaced by
// `fallback`, which is written back as decimal text and returned.
int ReadRepairingNumber(SettingsStore& store, std::string_view section, std::string_view key,
                        int fallback);

}  // namespace pell
