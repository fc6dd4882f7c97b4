#include "settings/password_scramble.h"

#include <cstdint>

namespace pell {
namespace {

constexpr char kKey[4] = {'W', 'e', 'x', 'd'};

// A stored character with its key byte removed, as an unsigned byte.
unsigned Unkey(char stored, std::size_t k) {
    return static_cast<unsigned char>(stored) ^ static_cast<unsigned char>(kKey[k]);
}

}  // namespace

std::string ScramblePassword(std::string_view password) {
    std::string out;
    out.reserve(password.size() * 2);
    std::size_t k = 0;
    for (char c : password) {
        const auto b = static_cast<std::int8_t>(c);
        // High nibble as an arithmetic shift: bytes 0x80-0xFF give 0xF8-0xFF.
        const auto high = static_cast<char>(b >> 4);
        out.push_back(static_cast<char>(high ^ kKey[k]));
        k = (k + 1) % 4;
        out.push_back(static_cast<char>((c & 0x0F) ^ kKey[k]));
        k = (k + 1) % 4;
    }
    return out;
}

std::string UnscramblePassword(std::string_view scrambled) {
    std::string out;
    std::size_t k = 0;
    std::size_t i = 0;
    while (i < scrambled.size()) {
        auto v = static_cast<std::uint8_t>(Unkey(scrambled[i], k) << 4);
        k = (k + 1) % 4;
        ++i;
        if (i < scrambled.size()) {
            v = static_cast<std::uint8_t>(v + Unkey(scrambled[i], k));
            k = (k + 1) % 4;
            ++i;
        }
        if (v != 0)
            out.push_back(static_cast<char>(v));
    }
    return out;
}

}  // namespace pell
