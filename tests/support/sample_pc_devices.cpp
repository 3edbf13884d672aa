#include "sample_pc_devices.h"

#include <initguid.h>
#include <devguid.h>

namespace {

struct SampleDevice {
    const GUID* setupClass;
    const char* hardwareId;
    const char* driverVersion;
};

const SampleDevice kSampleDevices[] = {
    {&GUID_DEVCLASS_SYSTEM, "PCI\\VEN_8086&DEV_27C5&SUBSYS_01AD1028&REV_01", "5.1.2600.0"},
    // Not a display adapter: Wine's display driver rebuilds the Display class's driver keys
    // whenever a windowed program starts, and the sample's driver version would be lost.
    {&GUID_DEVCLASS_MEDIA, "HDAUDIO\\FUNC_01&VEN_10EC&DEV_0888&SUBSYS_10438357&REV_1000", "5.10.0.5657"},
    {&GUID_DEVCLASS_MOUSE, "USB\\VID_046D&PID_C01E&REV_2200", "5.1.2600.0"},
};

}  // namespace

std::vector<std::unique_ptr<TestDevices>> InstallSamplePcDevices()
{
    std::vector<std::unique_ptr<TestDevices>> installed;
    for (const SampleDevice& sample : kSampleDevices) {
        installed.push_back(std::make_unique<TestDevices>(*sample.setupClass));
        if (!installed.back()->Add(sample.hardwareId, sample.driverVersion))
            return {};
    }
    return installed;
}
