#pragma once
// What the command line names besides the settings switch: a skin library.
#include <string>
#include <string_view>

namespace pell {

// The skin library path of a command-line remainder, or empty. Explorer and
// shortcuts quote a path that holds blanks: a remainder that opens with a
// double quote names the text up to the closing one (or to the end when it is
// missing), and what follows it is not part of the path. An unquoted
// remainder is the path as a whole. Blanks around the path and the settings
// switch "-s" as the last word are not part of it.
std::string SkinPathFromCommandLine(std::string_view remainder);

}  // namespace pell
