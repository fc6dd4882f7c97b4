#pragma once
// The stored form of an account password: two letters-derived characters per
// byte, so that it never shows in plain text in the settings file.
#include <string>
#include <string_view>

namespace pell {

inline constexpr std::size_t kMaxPasswordLength = 30;
inline constexpr std::size_t kMaxScrambledLength = 60;

std::string ScramblePassword(std::string_view password);
std::string UnscramblePassword(std::string_view scrambled);

}  // namespace pell
