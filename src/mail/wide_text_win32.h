#pragma once
// Text between the program's code-page strings and the system's UTF-16 ones,
// for the certificate and TLS calls.
#include <string>

namespace pell {

// An ANSI (system code page) string as UTF-16; empty when it cannot be read.
std::wstring WideFromAnsi(const std::string& text);
// A NUL-terminated UTF-16 string as UTF-8 (names for people and for JSON).
std::string Utf8FromWide(const wchar_t* text);

}  // namespace pell
