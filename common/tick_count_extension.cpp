#include "tick_count_extension.h"

uint64_t ExtendTickCount(uint64_t previous, uint32_t now)
{
    uint64_t wraps = previous >> 32;
    if (now < static_cast<uint32_t>(previous))
        ++wraps;
    return wraps << 32 | now;
}
