#pragma once
// The program's value under the current user's Run key, which the shell
// starts at logon. Wide calls throughout: the program's path may hold
// characters the ANSI code page cannot carry.
#include <windows.h>

namespace pell {

// True when the Run key holds a value that starts this copy of the program.
bool StartsWithWindows();

// Adds the value (the quoted path of this program) or removes it; true on
// success, also when there was nothing to remove.
bool SetStartsWithWindows(bool on);

// Tests use a key of their own instead of the real Run key (null: the real one).
void SetRunKeyForTesting(const wchar_t* subkey);

inline constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr wchar_t kRunValueName[] = L"PellWatcher";

}  // namespace pell
