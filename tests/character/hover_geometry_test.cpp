// Inside tests for leave tracking and the checks on a leave request.
#include "character/hover_geometry.h"

#include <gtest/gtest.h>

#include <cstring>

#include "character/leave_request.h"

namespace pell {
namespace {

TEST(CloseBoxArea, EdgesOfTheBox) {
    const ShapeRect window{100, 100, 300, 200};
    const struct {
        ShapePoint point;
        bool inside;
    } cases[] = {
        {{290, 104}, true},  {{296, 111}, true},  {{293, 107}, true},
        {{289, 104}, false}, {{297, 104}, false}, {{290, 112}, false},
        {{290, 103}, false}, {{300, 104}, false}, {{0, 0}, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(InCloseBoxArea(window, c.point), c.inside) << c.point.x << "," << c.point.y;
    }
}

TEST(WindowShape, ClientRectangleExcludesRightAndBottomEdges) {
    WindowShape shape;
    shape.client = {0, 0, 32, 32};
    const struct {
        ShapePoint point;
        bool outside;
    } cases[] = {
        {{0, 0}, false},  {{31, 31}, false}, {{32, 10}, true},
        {{10, 32}, true}, {{-1, 5}, true},   {{5, -1}, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsOutsideShape(shape, c.point, c.point), c.outside)
            << c.point.x << "," << c.point.y;
    }
}

TEST(WindowShape, RegionDecidesWhenPresent) {
    // A ring: two bars and two posts around a hole at 10..21 x 10..21.
    WindowShape shape;
    shape.hasRegion = true;
    shape.client = {0, 0, 32, 32};
    shape.region = {{0, 0, 32, 10}, {0, 22, 32, 32}, {0, 10, 10, 22}, {22, 10, 32, 22}};
    const struct {
        ShapePoint inWindow;
        bool outside;
    } cases[] = {
        {{5, 5}, false},  {{15, 15}, true},  {{9, 15}, false},  {{10, 15}, true},
        {{21, 15}, true}, {{22, 15}, false}, {{31, 31}, false}, {{32, 31}, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsOutsideShape(shape, c.inWindow, {0, 0}), c.outside)
            << c.inWindow.x << "," << c.inWindow.y;
    }
    // An empty region has no inside at all, whatever the client rectangle says.
    shape.region.clear();
    EXPECT_TRUE(IsOutsideShape(shape, {5, 5}, {5, 5}));
}

TEST(LeaveRequest, RefusalsInOrder) {
    const char* kStructure = "TrackMouseEvent: invalid TRACKMOUSEEVENT structure\n";
    const char* kWindow = "TrackMouseEvent: invalid hwndTrack\n";
    const char* kFlags = "TrackMouseEvent: invalid dwFlags\n";
    const struct {
        LeaveRequestFacts facts;
        const char* expected;
    } cases[] = {
        {{false, 0, 0, false}, kStructure}, {{true, 12, 9, true}, kStructure},
        {{true, 15, 9, true}, kStructure},  {{true, 16, 9, false}, kWindow},
        {{true, 16, 0, false}, kWindow},  // the window is judged before the flags
        {{true, 16, 2, true}, kFlags},      {{true, 24, 0x40000000, true}, kFlags},
        {{true, 16, 9, true}, nullptr},     {{true, 24, 1, true}, nullptr},
        {{true, 24, 8, true}, nullptr},     {{true, 16, 0x80000002u | 1u, true}, nullptr},
    };
    for (const auto& c : cases) {
        const char* refusal = LeaveRequestRefusal(c.facts);
        if (!c.expected) {
            EXPECT_EQ(refusal, nullptr) << c.facts.size << " " << c.facts.flags;
        } else {
            ASSERT_NE(refusal, nullptr) << c.facts.size << " " << c.facts.flags;
            EXPECT_STREQ(refusal, c.expected);
        }
    }
    EXPECT_STREQ(LeaveRequestFirstLine(LeaveVariant::kWholeWindow), "TrackMouseEvent\n");
    EXPECT_STREQ(LeaveRequestFirstLine(LeaveVariant::kCloseBox), "TrackMouseMsgboxEvent\n");
}

}  // namespace
}  // namespace pell
