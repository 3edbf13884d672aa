#include "device_ids.h"

#include <cctype>
#include <fstream>

namespace {

bool IsHex4(const std::string& text, size_t at)
{
    if (text.size() < at + 4)
        return false;
    for (size_t i = at; i < at + 4; ++i) {
        if (!std::isxdigit(static_cast<unsigned char>(text[i])))
            return false;
    }
    return true;
}

std::string Upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// The name after the ids and two spaces, with "|" (the catalog's field separator) replaced.
std::string NameAfter(const std::string& line, size_t at)
{
    std::string name = line.size() > at ? line.substr(at) : std::string();
    for (char& c : name) {
        if (c == '|')
            c = '/';
    }
    return name;
}

}  // namespace

std::string FindIdList(const std::string& name)
{
    for (const char* folder : {"/usr/share/misc/", "/usr/share/hwdata/", "/var/lib/usbutils/"}) {
        std::string path = folder + name;
        if (std::ifstream(path))
            return path;
    }
    return {};
}

std::vector<ListedDevice> ReadIdList(const std::string& path, std::string& error)
{
    std::ifstream file(path);
    if (!file) {
        error = "cannot read " + path;
        return {};
    }
    std::vector<ListedDevice> devices;
    std::string vendor, vendorName, device, deviceName;
    for (std::string line; std::getline(file, line);) {
        if (line.rfind("C ", 0) == 0)
            break;  // the device classes that follow the vendors
        if (IsHex4(line, 0) && line.compare(4, 2, "  ") == 0) {
            vendor = Upper(line.substr(0, 4));
            vendorName = NameAfter(line, 6);
            device.clear();
        } else if (!vendor.empty() && line.rfind("\t\t", 0) == 0 && IsHex4(line, 2) && IsHex4(line, 7) &&
                   !device.empty()) {
            devices.push_back({vendor, device, Upper(line.substr(7, 4) + line.substr(2, 4)),
                               vendorName + " " + deviceName + " (" + NameAfter(line, 13) + ")"});
        } else if (!vendor.empty() && line.rfind('\t', 0) == 0 && IsHex4(line, 1) && line.compare(5, 2, "  ") == 0) {
            device = Upper(line.substr(1, 4));
            deviceName = NameAfter(line, 7);
            devices.push_back({vendor, device, "", vendorName + " " + deviceName});
        }
    }
    if (devices.empty())
        error = path + " lists no devices";
    return devices;
}
