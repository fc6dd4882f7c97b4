#pragma once
// Texts as an IMAP client sends them: quoted strings, folder names in
// modified UTF-7 (RFC 3501 5.1.3), and Base64 for the PLAIN login.
#include <string>
#include <string_view>

namespace pell {

// RFC 4648 Base64 with padding.
std::string EncodeBase64(std::string_view bytes);

// A Shift_JIS folder name (as typed) in modified UTF-7: printable ASCII
// stands for itself ("&" as "&-"), everything else goes as UTF-16 in "&...-".
// Bytes that form no character become U+FFFD.
std::string FolderNameToImap(std::string_view sjis);

// False for a text that must never reach the wire: it holds CR, LF or NUL,
// which would end the command early or cut it.
bool IsSendableText(std::string_view text);

// True when the text fits a quoted string: 7-bit only (and sendable).
bool IsQuotableText(std::string_view text);

// The text between double quotes, with '"' and '\' escaped.
std::string QuotedString(std::string_view text);

}  // namespace pell
