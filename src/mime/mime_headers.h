#pragma once
// The MIME fields of a message or part head: media type, parameters (quoted,
// RFC 2231 continuations and charsets), transfer encoding, file name.
#include <string>
#include <string_view>
#include <vector>

#include "mime/transfer_encoding.h"

namespace pell {

// The value of the field `name` (given without its colon) in a head: the first
// line that begins with the name in any letter case, blanks and a colon; its
// continuation lines are joined with their line breaks removed. Empty when the
// head has no such field.
std::string PartFieldValue(std::string_view head, std::string_view name);

struct MimeParameter {
    std::string name;   // lower case, as written otherwise ("filename*0*")
    std::string value;  // without its quotes and backslash escapes
};

// The parameters behind the first ";" of a Content-Type or Content-Disposition
// value, in order (at most kMaxParameters).
inline constexpr std::size_t kMaxParameters = 64;
std::vector<MimeParameter> ParseParameters(std::string_view fieldValue);

// The first parameter named `name` (lower case), or empty.
std::string ParameterValue(const std::vector<MimeParameter>& parameters, std::string_view name);

// The Shift_JIS text of parameter `name` (lower case) as a file name is
// written: the RFC 2231 form (name*=UTF-8''%E6%9D%B1.txt, continuations
// name*0*= name*1*=, in any charset this program knows) before the plain form,
// whose RFC 2047 words (and raw UTF-8) are decoded. Empty when there is none.
std::string FileNameParameter(const std::vector<MimeParameter>& parameters, std::string_view name);

// The leading token of a Content-Type or Content-Disposition value in lower
// case ("text/plain", "attachment"), without quotes; empty for none.
std::string LeadingToken(std::string_view fieldValue);

struct PartHeaders {
    std::string mediaType;  // lower case; empty when the head has no Content-Type
    std::string charset;    // the charset parameter as written
    std::string boundary;   // the boundary parameter as written
    TransferEncoding transfer = TransferEncoding::kIdentity;
    bool attachment = false;  // Content-Disposition: attachment
    std::string fileName;     // Shift_JIS, empty for none
};

// The headers from the three field values; the file name comes from the
// disposition's filename, else from the type's name.
PartHeaders MakePartHeaders(std::string_view contentType, std::string_view transferEncoding,
                            std::string_view disposition);

// The same from a part's head.
PartHeaders ReadPartHeaders(std::string_view head);

}  // namespace pell
