#pragma once
// Checking a request for a pointer-leave notice and the debug lines it writes.
#include <cstdint>

namespace pell {

// The record must cover at least size, flags and window.
inline constexpr std::uint32_t kLeaveRequestMinSize = 16;
// Flags must ask for a leave or hover notice (bit 0 or bit 3).
inline constexpr std::uint32_t kLeaveRequestFlagMask = 9;
// The pointer is looked at every 100 ms.
inline constexpr unsigned kLeavePollPeriodMs = 100;

enum class LeaveVariant { kWholeWindow, kCloseBox };

// The line every request writes first.
const char* LeaveRequestFirstLine(LeaveVariant variant);

struct LeaveRequestFacts {
    bool present = false;      // a record was given
    std::uint32_t size = 0;    // its size field
    std::uint32_t flags = 0;   // its flags field
    bool windowValid = false;  // its window exists (only asked when the size is valid)
};

// The refusal line for a bad request (size, then window, then flags), or null
// when the request is good.
const char* LeaveRequestRefusal(const LeaveRequestFacts& request);

}  // namespace pell
