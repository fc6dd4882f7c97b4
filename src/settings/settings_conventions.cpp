#include "settings/settings_conventions.h"

#include "startup/text_search.h"

namespace pell {

bool IsTrueFlagText(std::string_view text) {
    return EqualsNoCase(text, "YES") || EqualsNoCase(text, "TRUE") || text == "1";
}

FlagReading ReadFlagText(SettingsStore& store, std::string_view section, std::string_view key,
                         std::string_view fallback, std::size_t capacity) {
    FlagReading reading;
    reading.text = store.ReadText(section, key, "", capacity);
    if (reading.text.empty()) {
        store.Write(section, key, fallback);
        reading.text = std::string(fallback.substr(0, capacity ? capacity - 1 : 0));
    }
    reading.value = IsTrueFlagText(reading.text);
    return reading;
}

bool ReadFlag(SettingsStore& store, std::string_view section, std::string_view key,
              std::string_view fallback) {
    return ReadFlagText(store, section, key, fallback).value;
}

void WriteFlag(SettingsStore& store, std::string_view section, std::string_view key, bool on) {
    store.Write(section, key, on ? kYes : kNo);
}

std::uint32_t HexColorFromText(std::string_view text) {
    std::uint32_t value = 0;
    for (char c : text) {
        const auto t = static_cast<std::int8_t>(static_cast<unsigned char>(c) - 48u);
        const std::uint32_t digit =
            t > 10 ? static_cast<std::uint32_t>(t - 7) & 15u : static_cast<std::uint32_t>(t) & 15u;
        value = (value << 4) + digit;
    }
    return value;
}

std::uint32_t ReadHexColor(SettingsStore& store, std::string_view section, std::string_view key,
                           std::uint32_t fallback) {
    std::string text = store.ReadText(section, key, "", 255);
    if (text.empty())
        return fallback;
    return HexColorFromText(text);
}

int ReadRepairingNumber(SettingsStore& store, std::string_view section, std::string_view key,
                        int fallback) {
    int value = ParseDecimal(store.ReadText(section, key, "-1", 32));
    if (value < 0) {
        store.Write(section, key, std::to_string(fallback));
        value = fallback;
    }
    return value;
}

}  // namespace pell
