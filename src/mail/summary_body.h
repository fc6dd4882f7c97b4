#pragma once
// The body text of the message viewer: the body itself, or for a multipart
// message its text part followed by one line per attached file.
#include <cstddef>
#include <string>
#include <string_view>

namespace pell {

// The attachment list never grows beyond this many bytes.
inline constexpr std::size_t kMaxAttachmentList = 1023;

// "\r\n Attach:NAME" for every part head of a multipart body that carries a
// "name=" parameter, names decoded and unquoted, cut at kMaxAttachmentList.
std::string ListAttachments(std::string_view body, std::string_view boundary);

// The viewer's body text. `contentType` and `boundary` are the message's own,
// already trimmed. The text is converted from ISO-2022-JP and ends before the
// end marker line. Empty for an empty body.
std::string ExtractBodyText(std::string_view body, std::string_view contentType,
                            std::string_view boundary);

}  // namespace pell
