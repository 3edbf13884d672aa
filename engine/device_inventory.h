#pragma once
// The device pass: every present device of every class yields up to four items, its first
// hardware id and three cuts of it, each with the version of the device's installed driver.
#include "scan_flavour.h"

#include <windows.h>
#include <setupapi.h>

#include <atomic>
#include <cstdint>
#include <string>

class DeviceInventory {
public:
    DeviceInventory(std::atomic<int32_t>& progress, const std::atomic<uint8_t>& cancel, const ScanFlavour& flavour)
        : progress_(progress), cancel_(cancel), flavour_(flavour)
    {
    }

    // The inventory text of the pass, in the order of the device list; "ERROR" when the device
    // list cannot be had. The cancel flag is tested once per device. Throws DigestFailure when an
    // item's identity cannot be hashed (InventoryOrMarker turns that into a failed scan).
    std::string Run();

    // A registry property (SPDRP_*) of the current device as text: the first string of a
    // string list, empty when the device has no such property.
    std::string ReadDeviceProperty(DWORD property);

private:
    // The DriverVersion under the device's class key; the driver key name itself when that key
    // cannot be opened even for reading.
    static std::string DriverVersion(const std::string& driverKey);
    std::string ItemLines(const std::string& hardwareId, const std::string& version) const;

    std::atomic<int32_t>& progress_;
    const std::atomic<uint8_t>& cancel_;
    ScanFlavour flavour_;
    HDEVINFO devices_ = INVALID_HANDLE_VALUE;
    SP_DEVINFO_DATA device_ = {};
};
