#pragma once
// What a driver package's INF file offers: for each manufacturer its models sections with their
// decorations, and in each the devices it installs, with the driver's version and date. Read as
// Windows reads it for one architecture (an install section decorated for it, such as
// "Install.NTamd64", is the one whose DriverVer overrides [Version]'s).
#include "inf_fault.h"
#include "windows_targets.h"

#include <string>
#include <string_view>
#include <vector>

struct InfDriver {
    std::string hardwareId;   // as written, tokens replaced; one of the line's hardware or compatible ids
    std::string description;  // the device description
    std::string version;      // "w.x.y.z" of DriverVer
    std::string date;         // "YYYY-MM-DD" of DriverVer
};

struct InfModels {
    bool decorated = false;  // false for the undecorated section
    Decoration decoration;
    std::vector<InfDriver> drivers;
};

struct InfManufacturer {
    std::string name;
    std::vector<InfModels> models;  // as the [Manufacturer] line lists them
};

struct InfPackage {
    std::string provider;  // empty when [Version] names none
    std::vector<InfManufacturer> manufacturers;
};

// false and the fault when Windows would not read the file as this reads it: see inf_text.h and
// inf_file.h, and a [Version] without the signature "$Windows NT$" or "$Chicago$", a missing or
// 0.0.0.0 driver version or date, an unreadable decoration, a models section that is not there,
// no [Manufacturer] section.
bool ReadInfPackage(std::string_view bytes, Architecture architecture, InfPackage& package, InfFault& fault);
