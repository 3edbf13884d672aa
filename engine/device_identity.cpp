#include "device_identity.h"

std::vector<IdentityForm> DeviceIdentityForms(const std::string& hardwareId, bool hasVersion)
{
    std::vector<IdentityForm> forms;
    if (hasVersion)
        forms.push_back({hardwareId, "N"});
    size_t subsys = hardwareId.find("&SUBSYS_");
    if (subsys == std::string::npos)
        return forms;
    size_t rev = hardwareId.find("&REV_");
    if (rev != std::string::npos)
        forms.push_back({hardwareId.substr(0, rev), "0"});
    forms.push_back({hardwareId.substr(0, subsys + 13), "1"});
    forms.push_back({hardwareId.substr(0, subsys), "2"});
    return forms;
}
