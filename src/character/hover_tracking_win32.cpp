#include "character/hover_tracking_win32.h"

#include <vector>

#include "character/hover_geometry.h"
#include "character/leave_request.h"
#include "character/window_messages.h"

namespace pell {
namespace {

class RegionHandle {
  public:
    explicit RegionHandle(HRGN region) : region_(region) {}
    ~RegionHandle() {
        if (region_)
            DeleteObject(region_);
    }
    RegionHandle(const RegionHandle&) = delete;
    RegionHandle& operator=(const RegionHandle&) = delete;
    HRGN get() const { return region_; }

  private:
    HRGN region_;
};

ShapeRect ToShapeRect(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}

// The rectangles of the window's region, or no region.
void ReadWindowRegion(HWND window, WindowShape& shape) {
    RegionHandle region(CreateRectRgn(0, 0, 0, 0));
    if (!region.get() || GetWindowRgn(window, region.get()) == ERROR)
        return;
    shape.hasRegion = true;
    const DWORD bytes = GetRegionData(region.get(), 0, nullptr);
    if (bytes < sizeof(RGNDATAHEADER))
        return;
    std::vector<unsigned char> buffer(bytes);
    auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
    if (GetRegionData(region.get(), bytes, data) == 0)
        return;
    const DWORD room = (bytes - sizeof(RGNDATAHEADER)) / sizeof(RECT);
    const DWORD count = data->rdh.nCount < room ? data->rdh.nCount : room;
    const RECT* rects = reinterpret_cast<const RECT*>(data->Buffer);
    shape.region.reserve(count);
    for (DWORD i = 0; i < count; ++i)
        shape.region.push_back(ToShapeRect(rects[i]));
}

void CALLBACK PollWholeWindow(HWND window, UINT, UINT_PTR id, DWORD) {
    if (!IsPointerOutside(window))
        return;
    KillTimer(window, id);
    PostMessageA(window, MSG_MOUSELEAVE, 0, 0);
}

bool IsPointerInCloseBox(HWND window) {
    POINT pointer;
    RECT rect;
    if (!GetCursorPos(&pointer) || !GetWindowRect(window, &rect))
        return false;
    return InCloseBoxArea(ToShapeRect(rect), {pointer.x, pointer.y}) &&
           WindowFromPoint(pointer) == window;
}

void CALLBACK PollCloseBox(HWND window, UINT, UINT_PTR id, DWORD) {
    if (IsPointerInCloseBox(window))
        return;
    KillTimer(window, id);
    PostMessageA(window, MSG_MOUSELEAVE, 0, 0);
}

UINT_PTR RequestLeaveNotice(const LeaveRequest* request, LeaveVariant variant, TIMERPROC poll) {
    OutputDebugStringA(LeaveRequestFirstLine(variant));
    LeaveRequestFacts facts;
    if (request) {
        facts.present = true;
        facts.size = request->size;
        facts.flags = request->flags;
        // The window field is only read from a record that is large enough.
        if (request->size >= kLeaveRequestMinSize)
            facts.windowValid = IsWindow(request->window);
    }
    if (const char* refusal = LeaveRequestRefusal(facts)) {
        OutputDebugStringA(refusal);
        return 0;
    }
    return SetTimer(request->window, request->flags, kLeavePollPeriodMs, poll);
}

}  // namespace

UINT_PTR TrackMouseLeave(const LeaveRequest* request) {
    return RequestLeaveNotice(request, LeaveVariant::kWholeWindow, PollWholeWindow);
}

UINT_PTR TrackMouseLeaveCloseBox(const LeaveRequest* request) {
    return RequestLeaveNotice(request, LeaveVariant::kCloseBox, PollCloseBox);
}

bool IsPointerOutside(HWND window) {
    POINT screen;
    RECT windowRect;
    // Without a pointer position there is nothing to hover over.
    if (!GetCursorPos(&screen) || !GetWindowRect(window, &windowRect))
        return true;
    POINT client = screen;
    ScreenToClient(window, &client);
    WindowShape shape;
    RECT clientRect{};
    GetClientRect(window, &clientRect);
    shape.client = ToShapeRect(clientRect);
    ReadWindowRegion(window, shape);
    // The region is relative to the window's top-left corner; for the borderless
    // character that is also the client origin.
    const ShapePoint inWindow{screen.x - windowRect.left, screen.y - windowRect.top};
    return IsOutsideShape(shape, inWindow, {client.x, client.y});
}

}  // namespace pell
