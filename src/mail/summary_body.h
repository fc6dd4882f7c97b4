#pragma once
// The body text of the message viewer: the body itself, or for a multipart
// message its text part followed by one line per attached file.
#include <cstddef>
#include <string>
#include <string_view>

namespace pell {

// The attachment list never grows beyond this many bytes.
inline constexpr std::size_t kMaxAttachmentList = 1023;

// "\r\n Attach:NAME" for every part of a multipart body that has a file name
// (Content-Disposition filename, else Content-Type name; RFC 2047 and RFC 2231
// forms decoded), in order, cut at kMaxAttachmentList.
std::string ListAttachments(std::string_view body, std::string_view boundary);

struct BodyText {
    std::string text;   // Shift_JIS, ending before the end marker line
    std::size_t lines;  // what the lines note compares with the lines asked for
};

// Where the body comes from: the message head and its content type as the head
// lookup found them.
struct BodySource {
    std::string_view head;
    std::string_view body;  // behind the blank line, as the message has it (no end marker)
    std::string_view contentTypeField;  // the whole Content-Type field, parameters included
    std::string_view transferEncoding;  // the Content-Transfer-Encoding value, line breaks removed
};

// The viewer's body text. A body (or text part) of 7-bit text without a
// transfer encoding and without a charset other than ISO-2022-JP or US-ASCII
// comes out as the program always made it: converted from ISO-2022-JP and ended
// before the line break in front of the end of the body (or the delimiter
// behind the part), its lines counted in the text. Any other is decoded by its
// transfer encoding and charset (HTML turned into text), and its lines are
// counted as the server sent them, as are those of a multipart message cut
// inside or before its text part. Empty for an empty body.
BodyText ExtractBodyText(const BodySource& source);

// Lines of a text: one more than its CR LF pairs.
std::size_t CountLines(std::string_view text);

}  // namespace pell
