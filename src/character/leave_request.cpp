#include "character/leave_request.h"

namespace pell {

const char* LeaveRequestFirstLine(LeaveVariant variant) {
    return variant == LeaveVariant::kCloseBox ? "TrackMouseMsgboxEvent\n" : "TrackMouseEvent\n";
}

const char* LeaveRequestRefusal(const LeaveRequestFacts& request) {
    if (!request.present || request.size < kLeaveRequestMinSize) {
        return "TrackMouseEvent: invalid TRACKMOUSEEVENT structure\n";
    }
    if (!request.windowValid)
        return "TrackMouseEvent: invalid hwndTrack\n";
    if ((request.flags & kLeaveRequestFlagMask) == 0)
        return "TrackMouseEvent: invalid dwFlags\n";
    return nullptr;
}

}  // namespace pell
