// The 64-bit tick count made from 32-bit readings: each wrap of the 32-bit count adds 2^32.
#include "tick_count_extension.h"

#include <gtest/gtest.h>

namespace {

TEST(TickCountExtension, CountsWrapsBetweenReadings)
{
    const uint64_t kWrap = uint64_t{1} << 32;
    struct Row {
        uint64_t previous;
        uint32_t now;
        uint64_t extended;
    } rows[] = {
        {0, 0, 0},
        {0, 1000, 1000},
        {1000, 1000, 1000},                // the same reading again
        {1000, 999, kWrap + 999},          // lower than before: one wrap in between
        {0xFFFFFFF0, 0x10, kWrap + 0x10},  // across the wrap
        {kWrap + 5, 7, kWrap + 7},         // after a wrap, no further one
        {kWrap + 5, 4, 2 * kWrap + 4},     // the second wrap
        {3 * kWrap + 0xFFFFFFFF, 0xFFFFFFFF, 3 * kWrap + 0xFFFFFFFF},
    };
    for (const Row& r : rows)
        EXPECT_EQ(ExtendTickCount(r.previous, r.now), r.extended) << r.previous << " then " << r.now;
}

}  // namespace
