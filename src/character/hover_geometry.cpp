#include "character/hover_geometry.h"

namespace pell {

bool RectContains(const ShapeRect& rect, ShapePoint point) {
    return point.x >= rect.left && point.x < rect.right && point.y >= rect.top &&
           point.y < rect.bottom;
}

bool IsOutsideShape(const WindowShape& shape, ShapePoint inWindow, ShapePoint inClient) {
    if (!shape.hasRegion)
        return !RectContains(shape.client, inClient);
    for (const ShapeRect& rect : shape.region) {
        if (RectContains(rect, inWindow))
            return false;
    }
    return true;
}

bool InCloseBoxArea(const ShapeRect& windowRect, ShapePoint pointer) {
    return pointer.x >= windowRect.right - 10 && pointer.x <= windowRect.right - 4 &&
           pointer.y >= windowRect.top + 4 && pointer.y <= windowRect.top + 11;
}

}  // namespace pell
