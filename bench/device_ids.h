#pragma once
// Real vendor, device and subsystem ids from the public id lists that Debian ships (packages
// pci.ids and usb.ids, or hwdata), for catalogs and documents that look like a real vendor's.
#include <string>
#include <vector>

struct ListedDevice {
    std::string vendor;     // four upper-case hexadecimal digits
    std::string device;     // four upper-case hexadecimal digits
    std::string subsystem;  // "ssssvvvv" as Windows writes it (subsystem device, then vendor); empty if none
    std::string name;       // vendor, device and subsystem names
};

// The path of an id list ("pci.ids" or "usb.ids") in the usual places; empty when none exists.
std::string FindIdList(const std::string& name);

// The devices of a list, and, for pci.ids, one more entry for each subsystem; empty and a
// message when the file cannot be read.
std::vector<ListedDevice> ReadIdList(const std::string& path, std::string& error);
