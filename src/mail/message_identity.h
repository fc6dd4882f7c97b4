#pragma once
// The id by which the seen-id list remembers a message. A message with a
// Message-ID is remembered by it; one without gets a stable id of its own, so
// that it neither ends the scan as if it had been seen nor comes back as new.
#include <cstddef>
#include <string>
#include <string_view>

namespace pell {

// "~" and 16 upper-case hex digits of a digest: of the message's UIDL when
// the server gave one, else of the raw Date, From and Subject values of the
// reply's head. Neither changes when a server rewrites the head (an mbox
// server adds Status: and X-UID: lines, which changes the size). A real
// Message-ID stands in angle brackets, so the two never meet.
std::string SyntheticMessageId(std::string_view reply, std::string_view uidl = {});

bool IsSyntheticMessageId(std::string_view id);

// Whether a message was seen before. A Message-ID counts as seen when it
// occurs anywhere in the stored list; a synthetic id only as a whole entry.
bool IsSeenMessage(std::string_view seenIds, std::string_view id);

}  // namespace pell
