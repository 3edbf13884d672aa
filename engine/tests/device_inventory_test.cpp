// The device pass over real devices registered in the test prefix through the Setup API.
#include "device_inventory.h"
#include "full_inventory.h"
#include "registry_rights.h"
#include "sample_pc_devices.h"
#include "scan_document_layout.h"
#include "test_devices.h"

#include <initguid.h>
#include <devguid.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <thread>

namespace {

const char kPci8086[] = "PCI\\VEN_8086&DEV_27C5&SUBSYS_01AD1028&REV_01";
const char kUsbMouse[] = "USB\\VID_046D&PID_C01E&REV_2200";

std::string Line(const std::string& identity, const std::string& version, const char* level)
{
    std::string line =
        "<ScanItem HWIDHASH=\"" + IdentityHashDecimal(identity) + "\" CURRENTVERSION=\"" + version + "\"";
    if (level)
        line += std::string(" PLEVEL=\"") + level + "\"";
    return line + " />\r\n";
}

std::string RunPass(const ScanFlavour& flavour, std::atomic<int32_t>& progress)
{
    std::atomic<uint8_t> cancel{0};
    return DeviceInventory(progress, cancel, flavour).Run();
}

std::string RunPass(const ScanFlavour& flavour)
{
    std::atomic<int32_t> progress{0};
    return RunPass(flavour, progress);
}

TEST(DeviceInventory, WineOwnDevicesHaveNoDriverVersion)
{
    std::string text = RunPass(kComponentFlavour);
    const std::string wineBus = "PCI\\VEN_0000&DEV_0000&SUBSYS_00000000";
    EXPECT_NE(text.find(Line(wineBus, "", "0") + Line("PCI\\VEN_0000&DEV_0000&SUBSYS_00000", "", "1") +
                        Line("PCI\\VEN_0000&DEV_0000", "", "2")),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("PLEVEL=\"N\""), std::string::npos) << text;
}

TEST(DeviceInventory, EachDeviceYieldsItsIdentityForms)
{
    std::string before = RunPass(kComponentFlavour);
    struct Case {
        const char* hardwareId;
        const char* driverVersion;
        std::string expected;
    } cases[] = {
        {kPci8086, "5.1.2600.0",
         Line(kPci8086, "5.1.2600.0", "N") + Line("PCI\\VEN_8086&DEV_27C5&SUBSYS_01AD1028", "5.1.2600.0", "0") +
             Line("PCI\\VEN_8086&DEV_27C5&SUBSYS_01AD1", "5.1.2600.0", "1") +
             Line("PCI\\VEN_8086&DEV_27C5", "5.1.2600.0", "2")},
        {kPci8086, "",
         Line("PCI\\VEN_8086&DEV_27C5&SUBSYS_01AD1028", "", "0") +
             Line("PCI\\VEN_8086&DEV_27C5&SUBSYS_01AD1", "", "1") + Line("PCI\\VEN_8086&DEV_27C5", "", "2")},
        {kUsbMouse, "5.1.2600.0", Line(kUsbMouse, "5.1.2600.0", "N")},
        {"USB\\VID_046D&PID_C01F&REV_2200", "", ""},
        {"USB\\VID_046D&PID_C020", nullptr, ""},
        // Fewer than five characters after the marker: level "1" keeps the whole id.
        {"PCI\\VEN_1234&DEV_0001&SUBSYS_12", "1.0",
         Line("PCI\\VEN_1234&DEV_0001&SUBSYS_12", "1.0", "N") + Line("PCI\\VEN_1234&DEV_0001&SUBSYS_12", "1.0", "1") +
             Line("PCI\\VEN_1234&DEV_0001", "1.0", "2")},
        // The markers are matched in capitals only.
        {"PCI\\VEN_1234&DEV_0002&subsys_00001234&rev_01", "2.0",
         Line("PCI\\VEN_1234&DEV_0002&subsys_00001234&rev_01", "2.0", "N")},
    };
    TestDevices devices(GUID_DEVCLASS_SYSTEM);
    size_t expectedSize = before.size();
    for (const Case& c : cases) {
        ASSERT_TRUE(devices.Add(c.hardwareId, c.driverVersion)) << c.hardwareId;
        expectedSize += c.expected.size();
    }
    std::string text = RunPass(kComponentFlavour);
    for (const Case& c : cases) {
        if (!c.expected.empty()) {
            EXPECT_NE(text.find(c.expected), std::string::npos) << c.hardwareId << "\n" << text;
        }
    }
    EXPECT_EQ(text.size(), expectedSize) << text;

    // The desktop program's lines carry no level.
    std::string desktop = RunPass(kDesktopFlavour);
    EXPECT_NE(desktop.find(Line(kPci8086, "5.1.2600.0", nullptr) +
                           Line("PCI\\VEN_8086&DEV_27C5&SUBSYS_01AD1028", "5.1.2600.0", nullptr) +
                           Line("PCI\\VEN_8086&DEV_27C5&SUBSYS_01AD1", "5.1.2600.0", nullptr) +
                           Line("PCI\\VEN_8086&DEV_27C5", "5.1.2600.0", nullptr)),
              std::string::npos)
        << desktop;
    EXPECT_EQ(desktop.find("PLEVEL"), std::string::npos);
}

TEST(DeviceInventory, LongHardwareIdIsReadWhole)
{
    const std::string longId = "PCI\\VEN_1234&DEV_0004&SUBSYS_00001234&REV_01&" + std::string(300, 'L');
    TestDevices devices(GUID_DEVCLASS_SYSTEM);
    ASSERT_TRUE(devices.Add(longId, "3.0"));
    EXPECT_NE(RunPass(kComponentFlavour).find(Line(longId, "3.0", "N")), std::string::npos);
}

TEST(DeviceInventory, ClassKeyRightsOfAStandardAccount)
{
    const char id[] = "PCI\\VEN_1234&DEV_0005&SUBSYS_00001234&REV_02";
    TestDevices devices(GUID_DEVCLASS_SYSTEM);
    ASSERT_TRUE(devices.Add(id, "7.0"));
    std::string driverKey = devices.DriverKeyName(0);
    ASSERT_EQ(driverKey.size(), 43u) << driverKey;  // {GUID}\NNNN
    const std::string classKey = "System\\CurrentControlSet\\Control\\Class\\" + driverKey;
    auto lines = [&](const std::string& version) {
        return Line(id, version, "N") + Line("PCI\\VEN_1234&DEV_0005&SUBSYS_00001234", version, "0") +
               Line("PCI\\VEN_1234&DEV_0005&SUBSYS_00001", version, "1") + Line("PCI\\VEN_1234&DEV_0005", version, "2");
    };
    const struct {
        const char* dacl;
        std::string version;
    } cases[] = {
        // Readable but not openable with full access, as for an account without administrative
        // rights: the driver's own version.
        {"D:P(A;;KR;;;WD)", "7.0"},
        // Not even readable (a protected list that grants nothing): the driver key name stands
        // for the version.
        {"D:P", driverKey},
    };
    for (const auto& c : cases) {
        RestrictedKey restriction(HKEY_LOCAL_MACHINE, classKey, c.dacl);
        ASSERT_TRUE(restriction.Restricted());
        std::string text = RunPass(kComponentFlavour);
        EXPECT_NE(text.find(lines(c.version)), std::string::npos) << c.version << "\n" << text;
    }
    EXPECT_NE(RunPass(kComponentFlavour).find(lines("7.0")), std::string::npos);
}

// Adds numbered devices until the device list holds total entries.
void FillDeviceList(TestDevices& devices, int total)
{
    for (int present = CountPresentDevices(); present < total; ++present) {
        char id[64];
        std::snprintf(id, sizeof id, "PCI\\VEN_1234&DEV_%04X&SUBSYS_00000000&REV_00",
                      static_cast<unsigned>(devices.Count()));
        ASSERT_TRUE(devices.Add(id, "1.0"));
    }
    ASSERT_EQ(CountPresentDevices(), total);
}

TEST(DeviceInventory, ProgressAndCancel)
{
    TestDevices devices(GUID_DEVCLASS_SYSTEM);
    FillDeviceList(devices, 49);
    std::atomic<int32_t> progress{7};
    RunPass(kComponentFlavour, progress);
    EXPECT_EQ(progress, 7);

    FillDeviceList(devices, 120);
    progress = 0;
    std::string full = RunPass(kDesktopFlavour, progress);
    EXPECT_EQ(progress, 51);

    // Cancelled part-way: the lines of the devices finished so far.
    progress = 0;
    std::atomic<uint8_t> cancel{0};
    std::atomic<bool> finished{false};
    std::thread canceller([&] {
        while (progress < 10 && !finished)
            Sleep(1);
        cancel = 1;
    });
    std::string partial = DeviceInventory(progress, cancel, kDesktopFlavour).Run();
    finished = true;
    canceller.join();
    EXPECT_LT(progress, 51);
    EXPECT_FALSE(partial.empty());
    EXPECT_LT(partial.size(), full.size());
    EXPECT_EQ(full.compare(0, partial.size(), partial), 0);
    EXPECT_EQ(partial.substr(partial.size() - 2), "\r\n");

    // Cancelled before the first device: nothing.
    progress = 0;
    EXPECT_EQ(DeviceInventory(progress, cancel, kDesktopFlavour).Run(), "");
    EXPECT_EQ(FullInventory(progress, cancel, kDesktopFlavour), "");
    EXPECT_EQ(progress, 0);
}

TEST(DeviceInventory, SamplePcDevicesAreListedAndRemoved)
{
    int before = CountPresentDevices();
    {
        auto sample = InstallSamplePcDevices();
        ASSERT_EQ(sample.size(), 3u);
        std::string text = RunPass(kComponentFlavour);
        const char* expected[][2] = {{kPci8086, "5.1.2600.0"},
                                     {"HDAUDIO\\FUNC_01&VEN_10EC&DEV_0888&SUBSYS_10438357&REV_1000", "5.10.0.5657"},
                                     {kUsbMouse, "5.1.2600.0"}};
        for (const auto& device : expected)
            EXPECT_NE(text.find(Line(device[0], device[1], "N")), std::string::npos) << device[0] << "\n" << text;
    }
    EXPECT_EQ(CountPresentDevices(), before);
}

TEST(FullInventory, DevicesComeFirst)
{
    TestDevices devices(GUID_DEVCLASS_SYSTEM);
    ASSERT_TRUE(devices.Add(kUsbMouse, "5.1.2600.0"));
    std::atomic<int32_t> progress{0};
    std::atomic<uint8_t> cancel{0};
    std::string deviceText = RunPass(kDesktopFlavour);
    std::string text = FullInventory(progress, cancel, kDesktopFlavour);
    EXPECT_EQ(text.compare(0, deviceText.size(), deviceText), 0) << text;
}

}  // namespace
