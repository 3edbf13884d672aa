#pragma once
// Devices registered in the Wine prefix through the Setup API, as a driver installer would
// leave them: a hardware id, a driver key under the device class key and, when given, its
// DriverVersion. Later device lists of every process see them; this object removes them again.
#include <windows.h>
#include <setupapi.h>

#include <string>
#include <vector>

class TestDevices {
public:
    // Devices are made in the given setup class (GUID_DEVCLASS_* or any other).
    explicit TestDevices(const GUID& setupClass);
    ~TestDevices();
    TestDevices(const TestDevices&) = delete;
    TestDevices& operator=(const TestDevices&) = delete;

    // Registers one device; driverVersion nullptr leaves the driver key without DriverVersion.
    // False on failure.
    bool Add(const std::string& hardwareId, const char* driverVersion);
    // The driver key name of the device added as number index, such as {GUID}\0003.
    std::string DriverKeyName(size_t index) const;
    size_t Count() const { return devices_.size(); }
    // Leaves the devices registered when this object goes (the demo's sample PC keeps them).
    void Keep() { devices_.clear(); }

private:
    GUID setupClass_;
    HDEVINFO set_;
    std::vector<SP_DEVINFO_DATA> devices_;
};

// The number of devices in the list that the device pass walks.
int CountPresentDevices();
