#pragma once
// A 32-bit millisecond tick count wraps to 0 after 49.7 days. Kept together with the count of
// wraps seen so far, it extends to the 64-bit count that newer systems report themselves.
#include <cstdint>

// The 64-bit count for the 32-bit reading now, given the 64-bit count of the previous reading.
// A reading below the previous one's low half means the count wrapped once in between; readings
// must therefore come at least once per wrap period.
uint64_t ExtendTickCount(uint64_t previous, uint32_t now);
