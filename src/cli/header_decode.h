#pragma once
// The header decoding the checker shows with --decode-header.
#include <string>
#include <string_view>

namespace pell {

std::string DecodeHeaderForCli(std::string_view text);

}  // namespace pell
