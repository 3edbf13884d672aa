#pragma once
// The identity forms that one device yields: its whole first hardware id ("N") and the cuts
// before "&REV_" ("0"), 13 bytes after "&SUBSYS_" ("1") and before "&SUBSYS_" ("2").
#include <string>
#include <vector>

struct IdentityForm {
    std::string hardwareId;
    std::string level;
};

// In emission order. "N" only when the device has a version; the cuts only when the id
// contains "&SUBSYS_" (case-sensitive), "0" only when it also contains "&REV_".
std::vector<IdentityForm> DeviceIdentityForms(const std::string& hardwareId, bool hasVersion);
