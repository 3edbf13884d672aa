// The device pass against the pauses it must make: 120 registered test devices (plus the ones
// the Wine prefix has of its own), one pass at a time, alternating with a loop of the same
// number of bare 25 ms pauses.
#include "device_inventory.h"
#include "scan_flavour.h"
#include "side_by_side.h"
#include "test_devices.h"

#include <windows.h>
#include <devguid.h>

#include <atomic>
#include <cstdio>

namespace {

const int kTestDevices = 120;
const DWORD kPauseMs = 25;
const int kRounds = 5;

}  // namespace

int main()
{
    TestDevices devices(GUID_DEVCLASS_SYSTEM);
    for (int i = 0; i < kTestDevices; ++i) {
        char hardwareId[80], version[32];
        std::snprintf(hardwareId, sizeof hardwareId, "PCI\\VEN_%04X&DEV_%04X&SUBSYS_%08X&REV_01", 0x1000 + i, 0x2000 + i,
                      0x30000000 + i);
        std::snprintf(version, sizeof version, "1.0.0.%d", i);
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
    const double prescribed = count * kPauseMs / 1000.0;

    std::printf("device pass: %d devices, %zu bytes of items, %d rounds\n", count, textSize, kRounds);
    std::printf("  pass %.3f s, bare pauses %.3f s, prescribed %.3f s (medians)\n", timing.measured, timing.baseline,
                prescribed);
    std::printf("  one Sleep(%lu) lasts %.2f ms here\n", kPauseMs, timing.baseline / count * 1000);
    PrintRow("Device pass, " + std::to_string(count) + " devices: wall time / prescribed pauses (" +
                 std::to_string(count) + " x 25 ms)",
             "<= 1.05", Fixed(timing.measured / prescribed, 3));
    PrintRow("Device pass: wall time / the same number of Sleep(25) calls in the same run", "(floor check)",
             Fixed(timing.ratio, 3));
    return 0;
}
