// Restore points against the test double srclient.dll beside this program (System Restore is a
// platform service that Wine does not provide), bound at first use as both deliverables bind it.
#include "restore_point.h"
#include "srclient_double.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

class RestorePointTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(SystemRestoreBoundAtFirstUse().setRestorePoint, nullptr);
        HMODULE library = GetModuleHandleA("srclient.dll");
        ASSERT_NE(library, nullptr);
        configure_ = reinterpret_cast<SrDoubleConfigureFunction>(
            reinterpret_cast<void*>(GetProcAddress(library, "SrDoubleConfigure")));
        setCalls_ = reinterpret_cast<SrDoubleSetCallsFunction>(
            reinterpret_cast<void*>(GetProcAddress(library, "SrDoubleSetCalls")));
        removals_ = reinterpret_cast<SrDoubleRemovalsFunction>(
            reinterpret_cast<void*>(GetProcAddress(library, "SrDoubleRemovals")));
        ASSERT_TRUE(configure_ && setCalls_ && removals_) << "the loaded srclient.dll is not the test double";
    }

    std::vector<RESTOREPOINTINFOA> SetCalls() const
    {
        std::vector<RESTOREPOINTINFOA> calls(8);
        calls.resize(static_cast<std::size_t>(setCalls_(calls.data(), 8)));
        return calls;
    }

    std::vector<DWORD> Removals() const
    {
        std::vector<DWORD> numbers(8);
        numbers.resize(static_cast<std::size_t>(removals_(numbers.data(), 8)));
        return numbers;
    }

    SrDoubleConfigureFunction configure_ = nullptr;
    SrDoubleSetCallsFunction setCalls_ = nullptr;
    SrDoubleRemovalsFunction removals_ = nullptr;
};

struct Case {
    BOOL beginSucceeds;
    BOOL endSucceeds;
    INT64 sequenceNumber;
    INT64 endSequenceNumber;  // what the end call must carry
    std::vector<DWORD> removals;
};

const Case kCases[] = {
    {TRUE, TRUE, 42, 42, {}},
    {TRUE, FALSE, 42, 42, {42}},                       // the half-made point is removed
    {TRUE, FALSE, 0x100000007LL, 0x100000007LL, {7}},  // removed by its low 32 bits
    {TRUE, FALSE, 0, 0, {}},                           // no point to remove
    {FALSE, TRUE, 42, 0, {}},                          // a failed begin leaves the number 0
    {FALSE, FALSE, 42, 0, {}},
};

void ExpectRecord(const RESTOREPOINTINFOA& call, DWORD eventType, INT64 sequenceNumber)
{
    EXPECT_EQ(call.dwEventType, eventType);
    EXPECT_EQ(call.dwRestorePtType, static_cast<DWORD>(APPLICATION_INSTALL));
    EXPECT_EQ(call.llSequenceNumber, sequenceNumber);
    EXPECT_STREQ(call.szDescription, "Korvala Restore Point");
}

TEST_F(RestorePointTest, BeginsAndEndsAChange)
{
    ASSERT_EQ(SystemRestoreBoundAtFirstUse().setRestorePoint,
              reinterpret_cast<SetRestorePointFunction>(
                  reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("srclient.dll"), "SRSetRestorePointA"))));
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << "begin " << c.beginSucceeds << " end " << c.endSucceeds << " number "
                                        << c.sequenceNumber);
        for (bool componentResult : {true, false}) {
            SCOPED_TRACE(componentResult ? "the component's result" : "both outcomes");
            configure_(c.beginSucceeds, c.endSucceeds, c.sequenceNumber);
            SetLastError(12345);
            if (componentResult) {
                EXPECT_EQ(CreateSrpResult(), c.beginSucceeds && c.endSucceeds ? 0 : 1);
            } else {
                RestorePointOutcome outcome = CreateRestorePoint(SystemRestoreBoundAtFirstUse());
                EXPECT_EQ(outcome.begun, c.beginSucceeds != FALSE);
                EXPECT_EQ(outcome.ended, c.endSucceeds != FALSE);
            }
            EXPECT_EQ(GetLastError(), 12345u);
            std::vector<RESTOREPOINTINFOA> calls = SetCalls();
            ASSERT_EQ(calls.size(), 2u);
            ExpectRecord(calls[0], BEGIN_SYSTEM_CHANGE, 0);
            ExpectRecord(calls[1], END_SYSTEM_CHANGE, c.endSequenceNumber);
            EXPECT_EQ(Removals(), c.removals);
        }
    }
}

TEST_F(RestorePointTest, NothingIsCalledWhenSystemRestoreCannotBeBound)
{
    configure_(TRUE, TRUE, 42);
    for (const char* library : {"korvala-no-such-library.dll", "kernel32.dll"}) {
        SystemRestoreApi api = BindSystemRestore(library);
        EXPECT_EQ(api.setRestorePoint, nullptr) << library;
        EXPECT_EQ(api.removeRestorePoint, nullptr) << library;
        RestorePointOutcome outcome = CreateRestorePoint(api);
        EXPECT_FALSE(outcome.begun);
        EXPECT_FALSE(outcome.ended);
        EXPECT_EQ(ChooseRestorePointMessage(outcome).style, kStyleOkHand);
    }
    EXPECT_TRUE(SetCalls().empty());
}

}  // namespace
