#include "dialogs/startup_entry.h"

namespace pell {
namespace {

wchar_t FoldAscii(wchar_t c) {
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

// The program part of a command line: the quoted text, or the text up to the
// first blank.
std::wstring_view ProgramOf(std::wstring_view command) {
    std::size_t start = 0;
    while (start < command.size() && IsBlank(command[start]))
        ++start;
    command.remove_prefix(start);
    if (!command.empty() && command.front() == L'"') {
        command.remove_prefix(1);
        const std::size_t close = command.find(L'"');
        return close == std::wstring_view::npos ? std::wstring_view() : command.substr(0, close);
    }
    std::size_t end = 0;
    while (end < command.size() && !IsBlank(command[end]))
        ++end;
    return command.substr(0, end);
}

}  // namespace

std::wstring StartupCommandFor(std::wstring_view programPath) {
    return L"\"" + std::wstring(programPath) + L"\"";
}

bool StartupCommandStarts(std::wstring_view command, std::wstring_view programPath) {
    const std::wstring_view program = ProgramOf(command);
    if (program.empty() || program.size() != programPath.size())
        return false;
    for (std::size_t i = 0; i < program.size(); ++i) {
        if (FoldAscii(program[i]) != FoldAscii(programPath[i]))
            return false;
    }
    return true;
}

}  // namespace pell
