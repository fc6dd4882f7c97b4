#pragma once
// Content-Transfer-Encoding of message bodies and parts, and the lenient
// decoders for text that another system wrote.
#include <string>
#include <string_view>

namespace pell {

// The value of one hex digit (either case), or -1.
int HexValue(char c);

enum class TransferEncoding {
    kIdentity,  // none, 7bit, 8bit, binary, or one this program does not know
    kBase64,
    kQuotedPrintable,
};

// The encoding named by a Content-Transfer-Encoding value (any letter case,
// blanks and a comment behind the name ignored).
TransferEncoding TransferEncodingFromValue(std::string_view value);

// Base64 of a body: bytes outside the alphabet (line breaks, blanks, junk) are
// skipped, "=" ends a group, and a group cut short gives the whole bytes it
// holds; a lone sixth-bit character gives nothing.
std::string DecodeBase64Lenient(std::string_view encoded);
// The same into `out`, whose contents it replaces (its buffer is reused).
void DecodeBase64Lenient(std::string_view encoded, std::string& out);

// Quoted-printable of a body: "=" with two hex digits (either case) is one
// byte, "=" at the end of a line joins the lines (blanks between it and the
// line break too), "=" at the end of the text is dropped, and any other "="
// stays as it is.
std::string DecodeQuotedPrintable(std::string_view encoded);

// The Q form of an encoded-word as RFC 2047 reads it: as above, and "_" is a
// space.
std::string DecodeQEncoding(std::string_view encoded);

// The body decoded by its transfer encoding.
std::string DecodeTransferEncoding(TransferEncoding encoding, std::string_view body);

}  // namespace pell
