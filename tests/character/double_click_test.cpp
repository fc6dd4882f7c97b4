// The character's double click: two releases at most 900 ms apart.
#include "character/double_click.h"

#include <gtest/gtest.h>

namespace pell {
namespace {

TEST(DoubleClick, Table) {
    struct Case {
        const char* name;
        ClockStamp last;
        ClockStamp now;
        int lastNewMail;
        int launch;
        bool record;
    };
    const Case cases[] = {
        {"900 ms launches", {10, 5, 100}, {10, 6, 0}, 2, 2, false},
        {"901 ms does not", {10, 5, 100}, {10, 6, 1}, 2, -1, true},
        {"900 ms without new mail records nothing", {10, 5, 100}, {10, 6, 0}, -1, -1, false},
        // The stamp restarts every hour: the rule measures 4780 ms here.
        {"across the hour", {59, 59, 800}, {0, 0, 100}, 0, -1, true},
        {"across a minute", {3, 59, 500}, {4, 0, 300}, 1, 1, false},
        // 65.536 s later wraps to 0 in 16 bits: counts as a double click.
        {"16-bit wrap", {0, 0, 0}, {1, 5, 536}, 4, 4, false},
        {"seconds apart", {0, 0, 0}, {0, 2, 0}, 4, -1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ClickActions out = DecideClick(c.now, c.last, c.lastNewMail);
        EXPECT_EQ(out.launchAccount, c.launch);
        EXPECT_EQ(out.recordAsLast, c.record);
    }
}

}  // namespace
}  // namespace pell
