#include "test_devices.h"

TestDevices::TestDevices(const GUID& setupClass)
    : setupClass_(setupClass), set_(SetupDiCreateDeviceInfoList(&setupClass, nullptr))
{
}

TestDevices::~TestDevices()
{
    if (set_ == INVALID_HANDLE_VALUE)
        return;
    for (SP_DEVINFO_DATA& device : devices_)
        SetupDiRemoveDevice(set_, &device);
    SetupDiDestroyDeviceInfoList(set_);
}

bool TestDevices::Add(const std::string& hardwareId, const char* driverVersion)
{
    if (set_ == INVALID_HANDLE_VALUE)
        return false;
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    if (!SetupDiCreateDeviceInfoA(set_, "KORVALA_TEST", &setupClass_, hardwareId.c_str(), nullptr, DICD_GENERATE_ID,
                                  &device))
        return false;
    // A hardware id list is a multi-string: the id, its zero, and the list's closing zero.
    std::string list = hardwareId + '\0' + '\0';
    bool made =
        SetupDiSetDeviceRegistryPropertyA(set_, &device, SPDRP_HARDWAREID, reinterpret_cast<const BYTE*>(list.data()),
                                          static_cast<DWORD>(list.size())) &&
        SetupDiRegisterDeviceInfo(set_, &device, 0, nullptr, nullptr, nullptr);
    if (!made) {
        SetupDiDeleteDeviceInfo(set_, &device);
        return false;
    }
    devices_.push_back(device);
    HKEY driverKey = SetupDiCreateDevRegKeyA(set_, &device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, nullptr, nullptr);
    if (driverKey == INVALID_HANDLE_VALUE)
        return false;
    LONG status = ERROR_SUCCESS;
    if (driverVersion)
        status = RegSetValueExA(driverKey, "DriverVersion", 0, REG_SZ, reinterpret_cast<const BYTE*>(driverVersion),
                                lstrlenA(driverVersion) + 1);
    RegCloseKey(driverKey);
    return status == ERROR_SUCCESS;
}

std::string TestDevices::DriverKeyName(size_t index) const
{
    char name[MAX_PATH] = {};
    SP_DEVINFO_DATA device = devices_.at(index);
    if (!SetupDiGetDeviceRegistryPropertyA(set_, &device, SPDRP_DRIVER, nullptr, reinterpret_cast<BYTE*>(name),
                                           sizeof name - 1, nullptr))
        return std::string();
    return name;
}

int CountPresentDevices()
{
    HDEVINFO list = SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES);
    if (list == INVALID_HANDLE_VALUE)
        return 0;
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    int count = 0;
    while (SetupDiEnumDeviceInfo(list, count, &device))
        ++count;
    SetupDiDestroyDeviceInfoList(list);
    return count;
}
