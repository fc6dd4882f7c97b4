// The character's double click: two releases at most 900 ms apart.
#include "character/double_click.h"

#include <gtest/gtest.h>

namespace pell {
namespace {

TEST(DoubleClick, Table) {
    struct Case {
        const char* name;
        std::optional<ClockStamp> last;
        ClockStamp now;
        int lastNewMail;
        int launch;
        bool record;
    };
    const Case cases[] = {
        {"900 ms launches", ClockStamp{9, 10, 5, 100}, {9, 10, 6, 0}, 2, 2, false},
        {"901 ms does not", ClockStamp{9, 10, 5, 100}, {9, 10, 6, 1}, 2, -1, true},
        {"900 ms without new mail records nothing",
         ClockStamp{9, 10, 5, 100},
         {9, 10, 6, 0},
         -1,
         -1,
         false},
        {"across the hour", ClockStamp{9, 59, 59, 800}, {10, 0, 0, 100}, 0, 0, false},
        {"across midnight", ClockStamp{23, 59, 59, 800}, {0, 0, 0, 100}, 3, 3, false},
        {"across a minute", ClockStamp{9, 3, 59, 500}, {9, 4, 0, 300}, 1, 1, false},
        // 65.536 s apart is a single click, not an alias of a double click.
        {"a minute apart", ClockStamp{9, 0, 0, 0}, {9, 1, 5, 536}, 4, -1, true},
        {"an hour apart", ClockStamp{9, 0, 0, 0}, {10, 0, 0, 300}, 4, -1, true},
        {"seconds apart", ClockStamp{9, 0, 0, 0}, {9, 0, 2, 0}, 4, -1, true},
        // The first release after start has nothing to pair with.
        {"first release", std::nullopt, {0, 0, 0, 300}, 4, -1, true},
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
