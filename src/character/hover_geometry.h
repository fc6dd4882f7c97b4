#pragma once
// Where the pointer is relative to a window: inside its shape, or inside the
// small close box in the top-right corner of the pop-up windows. Plain
// geometry; the platform layer supplies the pointer, rectangles and region.
#include <vector>

namespace pell {

struct ShapePoint {
    int x = 0;
    int y = 0;
};

struct ShapeRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// Right and bottom edges are outside, as for every platform rectangle.
bool RectContains(const ShapeRect& rect, ShapePoint point);

// The window's shape: its region as rectangles when it has one, else its client
// rectangle.
struct WindowShape {
    bool hasRegion = false;
    std::vector<ShapeRect> region;  // in window coordinates
    ShapeRect client;               // in client coordinates
};

// `inWindow` is the pointer relative to the window's top-left corner,
// `inClient` relative to its client area.
bool IsOutsideShape(const WindowShape& shape, ShapePoint inWindow, ShapePoint inClient);

// The close box: right - 10 <= x <= right - 4 and top + 4 <= y <= top + 11, with
// the window rectangle and the pointer in screen coordinates (edges included).
bool InCloseBoxArea(const ShapeRect& windowRect, ShapePoint pointer);

}  // namespace pell
