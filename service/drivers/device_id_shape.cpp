#include "device_id_shape.h"

#include <algorithm>

namespace {

bool Has(std::string_view id, std::string_view part)
{
    return id.find(part) != std::string_view::npos;
}

bool StartsWith(std::string_view id, std::string_view prefix)
{
    return id.substr(0, prefix.size()) == prefix;
}

}  // namespace

const char* UnreachableReason(std::string_view id)
{
    if (id.empty() || std::any_of(id.begin(), id.end(), [](char c) { return c < ' ' || c > '~'; }))
        return "characters outside printable ASCII";
    // Class ids are compatible ids only; a first hardware id always names the device itself.
    if (Has(id, "&CC_") || StartsWith(id, "PCI\\CC_"))
        return "class id (&CC_)";
    if (id.front() == '*')
        return "compatible id (*)";
    // A USB device's first hardware id ends in its revision ("&REV_", then "&MI_" for an
    // interface), and has no "&SUBSYS_" to be cut at.
    if (StartsWith(id, "USB\\") && !Has(id, "&REV_"))
        return "USB id without &REV_";
    // A PCI device's first hardware id has both; the cut before "&REV_" has no revision.
    if (StartsWith(id, "PCI\\") && Has(id, "&REV_") && !Has(id, "&SUBSYS_"))
        return "PCI id with &REV_ but no &SUBSYS_";
    return nullptr;
}
