#include "device_inventory.h"

#include "device_identity.h"
#include "progress_pacer.h"
#include "registry_store.h"
#include "scan_document.h"
#include "unique_device_list.h"

#include <cstring>
#include <vector>

namespace {

const char kClassKey[] = "System\\CurrentControlSet\\Control\\Class\\";
const char kNoDeviceList[] = "ERROR";
const DWORD kPausePerDeviceMs = 25;

bool EnumDevice(HDEVINFO list, DWORD index, SP_DEVINFO_DATA& device)
{
    device.cbSize = sizeof device;
    return SetupDiEnumDeviceInfo(list, index, &device) != FALSE;
}

}  // namespace

std::string DeviceInventory::Run()
{
    // Destroyed on every way out of the pass, a cancelled one included.
    UniqueDeviceList deviceList(SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES));
    if (!deviceList)
        return kNoDeviceList;
    HDEVINFO list = deviceList.Get();
    devices_ = list;

    DWORD count = 0;
    while (EnumDevice(list, count, device_))
        ++count;

    std::string text;
    ProgressPacer pacer(static_cast<int32_t>(count));
    for (DWORD index = 0; EnumDevice(list, index, device_); ++index) {
        if (pacer.Advance())
            ++progress_;
        if (cancel_)
            break;
        Sleep(kPausePerDeviceMs);
        std::string hardwareId = ReadDeviceProperty(SPDRP_HARDWAREID);
        std::string version = DriverVersion(ReadDeviceProperty(SPDRP_DRIVER));
        text += ItemLines(hardwareId, version);
    }
    devices_ = INVALID_HANDLE_VALUE;
    return text;
}

std::string DeviceInventory::ReadDeviceProperty(DWORD property)
{
    std::vector<char> buffer;
    DWORD required = 0;
    while (!SetupDiGetDeviceRegistryPropertyA(devices_, &device_, property, nullptr,
                                              reinterpret_cast<BYTE*>(buffer.data()), static_cast<DWORD>(buffer.size()),
                                              &required)) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || required <= buffer.size())
            return std::string();
        buffer.assign(required, '\0');
    }
    // The property may hold anything: the text ends at its first zero or at the buffer's end.
    return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
}

std::string DeviceInventory::DriverVersion(const std::string& driverKey)
{
    CRegistryStore store;
    store.SetRootKey(HKEY_LOCAL_MACHINE);
    // Read access only: accounts without administrative rights (and a library inside a browser
    // of low integrity) may read the class keys but not open them with full access.
    if (!store.SetKey(kClassKey + driverKey, FALSE, KEY_READ))
        return driverKey;
    return store.ReadString("DriverVersion", std::string());
}

std::string DeviceInventory::ItemLines(const std::string& hardwareId, const std::string& version) const
{
    ScanDocument item(flavour_);
    item.SetProperty(kVersionIdKey, version);
    std::string lines;
    for (const IdentityForm& form : DeviceIdentityForms(hardwareId, !version.empty())) {
        item.SetProperty(kHardwareIdKey, form.hardwareId);
        if (flavour_.setsPermuteLevel)
            item.SetProperty(kPermuteLevelKey, form.level);
        lines += item.FormatItemLine();
    }
    return lines;
}
