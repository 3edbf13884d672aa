// Reading the update count from the body of the service's reply.
#include "count_reply.h"

#include <gtest/gtest.h>

namespace {

TEST(ReadCount, ReadsLikeAtoiAndSaturates)
{
    const struct {
        const char* body;
        int32_t count;
    } cases[] = {
        {"12", 12},
        {" 7 updates", 7},
        {"<html><body>Not Found</body></html>", 0},
        {"-3", -3},
        {"", 0},
        {"\t\r\n+42x", 42},
        {"- 5", 0},
        {"2147483647", 2147483647},
        {"2147483648", 2147483647},
        {"99999999999999999999999", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"-99999999999999999999999", -2147483647 - 1},
        {"0012", 12},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadCount(c.body), c.count) << c.body;
}

}  // namespace
