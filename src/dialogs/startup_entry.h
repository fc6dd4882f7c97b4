#pragma once
// Starting the program with Windows: the command its Run value holds, and
// whether a Run value found there starts this copy of the program.
#include <string>
#include <string_view>

namespace pell {

// The program's path in double quotes, so that a path with blanks is one
// argument when the shell starts it at logon.
std::wstring StartupCommandFor(std::wstring_view programPath);

// True when `command` starts the program at `programPath`: the path, quoted
// or not, letters of either case, arguments after it ignored. A value left by
// a copy of the program in another folder does not count.
bool StartupCommandStarts(std::wstring_view command, std::wstring_view programPath);

}  // namespace pell
