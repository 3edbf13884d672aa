#include "made_up_ids.h"

#include <cstdio>

std::string PciHardwareId(unsigned vendor, unsigned device, unsigned subsystem, unsigned revision)
{
    char text[64];
    int length = std::snprintf(text, sizeof text, "PCI\\VEN_%04X&DEV_%04X&SUBSYS_%08X&REV_%02X", vendor & 0xFFFF,
                               device & 0xFFFF, subsystem, revision & 0xFF);
    return length > 0 && static_cast<size_t>(length) < sizeof text ? std::string(text, length) : std::string();
}
