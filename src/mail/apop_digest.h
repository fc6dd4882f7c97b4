#pragma once
// The APOP digest: 32 lower-case hex digits of MD5(timestamp + password).
#include <string>
#include <string_view>

namespace pell {

std::string MakeApopDigest(std::string_view timestampAndPassword);

}  // namespace pell
