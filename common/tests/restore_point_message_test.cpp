// The message that the desktop program shows after a restore-point attempt.
#include "restore_point_message.h"

#include <gtest/gtest.h>

namespace {

TEST(RestorePointMessage, FollowsTheEndCallOnly)
{
    const char* const success = "System Restore Point created successfully.";
    const char* const failure = "Cannot create a new System Restore Point. Please make sure this feature is enabled.";
    const struct {
        RestorePointOutcome outcome;
        const char* text;
        unsigned style;
    } cases[] = {
        {{true, true}, success, 0x30},
        {{false, true}, success, 0x30},
        {{true, false}, failure, 0x10},
        {{false, false}, failure, 0x10},  // also when System Restore could not be bound
    };
    for (const auto& c : cases) {
        RestorePointMessage message = ChooseRestorePointMessage(c.outcome);
        EXPECT_STREQ(message.text, c.text);
        EXPECT_STREQ(message.caption, "Korvala Oops Management");
        EXPECT_EQ(message.style, c.style);
    }
}

}  // namespace
