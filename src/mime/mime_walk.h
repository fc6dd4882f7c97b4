#pragma once
// The parts of a multipart body, nested multiparts included, found by their
// boundaries in one pass over the lines (no recursion, whatever the nesting).
#include <cstddef>
#include <string_view>
#include <vector>

#include "mime/mime_headers.h"

namespace pell {

struct MimeLeaf {
    std::string_view head;  // the part's head, up to its blank line
    std::string_view body;  // behind the blank line, up to the line break of the next
                            // delimiter; always a view into the walked text
    std::size_t depth;      // 1 for a part of the outermost multipart
    PartHeaders headers;
};

// Nesting deeper than this is not walked: such a multipart is one leaf.
inline constexpr std::size_t kMaxMimeDepth = 32;
// No more leaves than this are collected from one message.
inline constexpr std::size_t kMaxMimeLeaves = 512;

// Every part of `body`, a multipart body whose boundary is `boundary`, that is
// not itself a multipart, in order. A part cut off by the end of the text runs
// to the end; a part head without its blank line has an empty body.
std::vector<MimeLeaf> WalkMultipart(std::string_view body, std::string_view boundary);

}  // namespace pell
