#pragma once
// Pointer-leave notices without the platform's own tracking: a request starts
// a 100 ms polling timer on the window (timer id = the request's flags) that
// posts MSG_MOUSELEAVE (wParam 0, lParam 0) once the pointer is out and stops.
// A new request with the same flags on the same window replaces the timer.
// Requests and polls run on the thread that owns the window.
#include <windows.h>

#include <cstddef>

namespace pell {

// Laid out like TRACKMOUSEEVENT, so `size` is sizeof(LeaveRequest).
struct LeaveRequest {
    DWORD size;
    DWORD flags;  // must have bit 0 or bit 3 set; becomes the timer id
    HWND window;
    DWORD hoverTime;  // ignored
};
static_assert(sizeof(LeaveRequest) == sizeof(TRACKMOUSEEVENT), "laid out like TRACKMOUSEEVENT");
static_assert(offsetof(LeaveRequest, window) == offsetof(TRACKMOUSEEVENT, hwndTrack),
              "laid out like TRACKMOUSEEVENT");

// Watches the whole shape of the window (its region, or its client area when it
// has none). Returns the timer id, or 0 for a refused request; every request
// and refusal is written to the debug output.
UINT_PTR TrackMouseLeave(const LeaveRequest* request);

// Watches only the close box in the top-right corner of a pop-up window: the
// notice comes once the pointer is outside the box or another window covers it.
UINT_PTR TrackMouseLeaveCloseBox(const LeaveRequest* request);

// True when the pointer is outside the window's shape.
bool IsPointerOutside(HWND window);

}  // namespace pell
