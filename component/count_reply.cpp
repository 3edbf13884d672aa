#include "count_reply.h"

#include <algorithm>
#include <limits>

namespace {

bool IsCSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

int32_t ReadCount(std::string_view body)
{
    std::size_t at = 0;
    while (at < body.size() && IsCSpace(body[at]))
        ++at;
    bool negative = false;
    if (at < body.size() && (body[at] == '+' || body[at] == '-')) {
        negative = body[at] == '-';
        ++at;
    }
    // Past 2^31 every further digit keeps the same saturated result.
    constexpr int64_t kMagnitudeCap = int64_t{1} << 31;
    int64_t magnitude = 0;
    for (; at < body.size() && body[at] >= '0' && body[at] <= '9'; ++at)
        magnitude = std::min(magnitude * 10 + (body[at] - '0'), kMagnitudeCap);
    int64_t value = negative ? -magnitude : magnitude;
    return static_cast<int32_t>(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}
