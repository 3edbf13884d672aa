// Scans that walk the device list, on a prefix holding exactly 120 devices: the pass sleeps
// 25 ms per device, so a full scan takes about three seconds and can be caught mid-way. The
// Start menu holds enough shortcuts for the software pass to earn its units too.
#include "engine_fixture.h"
#include "test_devices.h"

#include <gtest/gtest.h>

namespace {

constexpr int kDevices = 120;
// A setup class of the test's own, so the devices are told apart from the prefix's.
const GUID kTestClass = {0x5c2f3a10, 0x7b1d, 0x4c55, {0x9a, 0x61, 0x2d, 0x44, 0x18, 0x0b, 0x6e, 0x31}};

size_t ItemCount(const std::string& document)
{
    size_t count = 0;
    for (size_t at = document.find("<ScanItem "); at != std::string::npos; at = document.find("<ScanItem ", at + 1))
        ++count;
    return count;
}

class DeviceScan : public EngineTest {
protected:
    static void SetUpTestSuite()
    {
        devices_ = new TestDevices(kTestClass);
        int missing = kDevices - CountPresentDevices();
        for (int i = 0; i < missing; ++i)
            devices_->Add("PCI\\VEN_8086&DEV_" + std::to_string(1000 + i) + "&SUBSYS_00011234&REV_02",
                          "6.1.7600.16385");
        CreateTestShortcuts();
    }
    static void TearDownTestSuite()
    {
        RemoveTestShortcuts();
        delete devices_;
        devices_ = nullptr;
    }

    void SetUp() override
    {
        int present = CountPresentDevices();
        // Devices that other programs left in the prefix can only be added to, not taken away.
        if (present > kDevices)
            GTEST_SKIP() << "the prefix already holds " << present << " devices";
        ASSERT_EQ(present, kDevices);
        EngineTest::SetUp();
    }

    // Waits until the device pass has earned some progress; false if the scan ended first.
    bool WaitForDevicePass()
    {
        int progress = 0, status = 0;
        for (DWORD start = GetTickCount(); GetTickCount() - start < 10000; Sleep(5)) {
            engine_->GetScanProgress(&progress);
            engine_->GetScanStatus(&status);
            if (status == 2)
                return false;
            if (progress >= 5)
                return true;
        }
        return false;
    }

    static TestDevices* devices_;
};
TestDevices* DeviceScan::devices_ = nullptr;

TEST_F(DeviceScan, DevicesOnlyDoublesTheProgress)
{
    ASSERT_EQ(engine_->BeginScan(1), S_OK);
    int status = -1, progress = -1;
    engine_->GetScanStatus(&status);
    EXPECT_NE(status, 2);
    bool sawRunning = false;
    EXPECT_EQ(WaitForScanEnd(engine_, kScanEndBoundMs, &sawRunning), 2);
    EXPECT_TRUE(sawRunning);
    engine_->GetScanProgress(&progress);
    EXPECT_EQ(progress, 102);  // 51 units, doubled
}

TEST_F(DeviceScan, FullScanShowsRunningUntilBothPassesEnd)
{
    ASSERT_EQ(engine_->BeginScan(0), S_OK);
    // Status before progress: every unit of a pass is added before the pass sets status 2, so
    // the progress read after the first status 2 holds all units of the passes behind it.
    bool runningInDevicePass = false;
    int status = 0, progress = 0;
    for (DWORD start = GetTickCount(); status != 2 && GetTickCount() - start < kScanEndBoundMs; Sleep(1)) {
        engine_->GetScanStatus(&status);
        engine_->GetScanProgress(&progress);
        if (status == 1 && progress > 0 && progress < 51)
            runningInDevicePass = true;
    }
    EXPECT_TRUE(runningInDevicePass);
    ASSERT_EQ(status, 2);
    // Both passes' units (51 and 49 to 51), not doubled: status 2 did not come with the devices.
    EXPECT_GE(progress, 100);
    EXPECT_LE(progress, 102);
}

TEST_F(DeviceScan, FirstScanStringWaitsForTheFullScan)
{
    ASSERT_EQ(engine_->BeginScan(0), S_OK);
    ASSERT_TRUE(WaitForDevicePass());
    // No full scan has finished before: the document waits for this one.
    std::string document = ScanString(engine_);
    int status = -1;
    engine_->GetScanStatus(&status);
    EXPECT_EQ(status, 2);
    EXPECT_GE(ItemCount(document), size_t(kDevices));
}

TEST_F(DeviceScan, CancelDuringTheDevicePassKeepsTheDevicesGathered)
{
    ASSERT_EQ(engine_->BeginScan(0), S_OK);
    ASSERT_TRUE(WaitForDevicePass());
    engine_->CancelScan();
    EXPECT_EQ(WaitForScanEnd(engine_, kScanEndBoundMs), 2);
    std::string document = ScanString(engine_);
    size_t items = ItemCount(document);
    EXPECT_GT(items, 0u);
    EXPECT_LT(items, size_t(kDevices));  // a few devices' items, far from all of them
}

TEST_F(DeviceScan, NewFullScanStillHandsOutTheEarlierItemsAtOnce)
{
    ASSERT_EQ(engine_->BeginScan(0), S_OK);
    ASSERT_EQ(WaitForScanEnd(engine_, kScanEndBoundMs), 2);
    std::string first = DataElement(ScanString(engine_));
    ASSERT_GE(ItemCount(first), size_t(kDevices));

    ASSERT_EQ(engine_->BeginScan(0), S_OK);
    DWORD start = GetTickCount();
    std::string second = DataElement(ScanString(engine_));
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_EQ(second, first);
    int status = -1;
    engine_->GetScanStatus(&status);
    EXPECT_NE(status, 2);  // the new scan is still running
}

TEST_F(DeviceScan, ReleaseDuringTheDevicePassStopsTheScan)
{
    ASSERT_EQ(engine_->BeginScan(0), S_OK);
    ASSERT_TRUE(WaitForDevicePass());
    DWORD start = GetTickCount();
    engine_->Release();
    engine_ = nullptr;
    EXPECT_LT(GetTickCount() - start, 3000u);
    EXPECT_EQ(library_.CanUnloadNow(), S_OK);
}

}  // namespace
