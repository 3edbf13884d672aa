// The device pass against the pauses it must make: 120 registered test devices (plus the ones
// the Wine prefix has of its own), one pass at a time, alternating with a loop of the same
// number of bare 25 ms pauses, and with a loop that makes the pauses and the platform calls of
// the pass per device and nothing else.
#include "device_inventory.h"
#include "md5_digest.h"
#include "scan_flavour.h"
#include "side_by_side.h"
#include "test_devices.h"
#include "unique_device_list.h"
#include "unique_handle.h"

#include <windows.h>
#include <devguid.h>

#include <atomic>
#include <cstdio>

namespace {

const int kTestDevices = 120;
const DWORD kPauseMs = 25;
const int kRounds = 4;
const char kClassKey[] = "System\\CurrentControlSet\\Control\\Class\\";

// A device property as the pass asks for it: the size first, then the value.
std::string Property(HDEVINFO list, SP_DEVINFO_DATA& device, DWORD property)
{
    char value[1024] = {};
    DWORD required = 0;
    SetupDiGetDeviceRegistryPropertyA(list, &device, property, nullptr, nullptr, 0, &required);
    if (required == 0 || required > sizeof value ||
        !SetupDiGetDeviceRegistryPropertyA(list, &device, property, nullptr, reinterpret_cast<BYTE*>(value),
                                           sizeof value, &required))
        return std::string();
    return value;
}

// Per device: the pause, both properties, the driver key opened as the registry store does
// (full access, then for the value's type, then for its text) and one digest per item line.
void BarePassCalls()
{
    UniqueDeviceList devices(SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES));
    if (!devices)
        return;
    HDEVINFO list = devices.Get();
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    DWORD count = 0;
    while (SetupDiEnumDeviceInfo(list, count, &device))
        ++count;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(list, index, &device); ++index) {
        Sleep(kPauseMs);
        std::string hardwareId = Property(list, device, SPDRP_HARDWAREID);
        std::string keyName = kClassKey + Property(list, device, SPDRP_DRIVER);
        const REGSAM accesses[] = {KEY_ALL_ACCESS, KEY_QUERY_VALUE, KEY_READ};
        for (REGSAM access : accesses) {
            UniqueRegKey key;
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyName.c_str(), 0, access, key.Receive()) != ERROR_SUCCESS)
                continue;
            if (access != KEY_ALL_ACCESS) {
                char value[256];
                DWORD type = 0, size = sizeof value;
                bool text = access == KEY_READ;
                RegQueryValueExA(key.Get(), "DriverVersion", nullptr, &type,
                                 text ? reinterpret_cast<BYTE*>(value) : nullptr, text ? &size : nullptr);
            }
        }
        for (size_t form = 0; form < 4; ++form)
            Md5Digest(hardwareId.data(), hardwareId.size() > form ? hardwareId.size() - form : 0);
    }
}

}  // namespace

int main()
{
    TestDevices devices(GUID_DEVCLASS_SYSTEM);
    for (int i = 0; i < kTestDevices; ++i) {
        char hardwareId[80], version[32];
        (void)std::snprintf(hardwareId, sizeof hardwareId, "PCI\\VEN_%04X&DEV_%04X&SUBSYS_%08X&REV_01", 0x1000 + i,
                            0x2000 + i, 0x30000000 + i);
        (void)std::snprintf(version, sizeof version, "1.0.0.%d", i);
        if (!devices.Add(hardwareId, version)) {
            std::fprintf(stderr, "device_pass_bench: cannot register test device %d\n", i);
            return 1;
        }
    }
    const int count = CountPresentDevices();

    std::atomic<int32_t> progress{0};
    std::atomic<uint8_t> cancel{0};
    size_t textSize = 0;
    auto pass = [&] { textSize = DeviceInventory(progress, cancel, kComponentFlavour).Run().size(); };
    auto pauses = [&] {
        for (int i = 0; i < count; ++i)
            Sleep(kPauseMs);
    };
    SideBySide timing = TimeSideBySide(kRounds, pass, pauses);
    SideBySide againstCalls = TimeSideBySide(kRounds, pass, BarePassCalls);
    const double prescribed = count * kPauseMs / 1000.0;

    std::printf("device pass: %d devices, %zu bytes of items, %d rounds\n", count, textSize, kRounds);
    std::printf("  pass %.3f s, bare pauses %.3f s, prescribed %.3f s (medians)\n", timing.measured, timing.baseline,
                prescribed);
    std::printf("  one Sleep(%lu) lasts %.2f ms here; pauses and platform calls alone %.3f s\n", kPauseMs,
                timing.baseline / count * 1000, againstCalls.baseline);
    PrintRow("Device pass, " + std::to_string(count) + " devices: wall time / prescribed pauses (" +
                 std::to_string(count) + " x 25 ms)",
             "<= 1.05", Fixed(timing.measured / prescribed, 3));
    PrintRow("Device pass: wall time / the same number of Sleep(25) calls in the same run", "(floor check)",
             Fixed(timing.ratio, 3));
    PrintRow("Device pass: wall time / a loop of the same pauses and platform calls", "(our code's share)",
             Fixed(againstCalls.ratio, 3));
    return 0;
}
