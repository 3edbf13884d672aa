// Restore points against the system's own srclient.dll (this program's folder holds no double).
// Under Wine the begin call fails and removing a point would end the process: the attempt must
// report failure and nothing else.
#include "restore_point.h"

#include <gtest/gtest.h>

namespace {

TEST(SystemRestorePoint, FailsWithoutHarmWhereSystemRestoreRefuses)
{
    EXPECT_EQ(CreateSrpResult(), 1);
    HMODULE library = GetModuleHandleA("srclient.dll");
    ASSERT_NE(library, nullptr);
    ASSERT_EQ(GetProcAddress(library, "SrDoubleConfigure"), nullptr) << "the test double was loaded";
    RestorePointOutcome outcome = CreateRestorePoint(SystemRestoreBoundAtFirstUse());
    EXPECT_FALSE(outcome.begun);
    EXPECT_FALSE(outcome.ended);
}

}  // namespace
