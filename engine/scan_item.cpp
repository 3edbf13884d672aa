#include "scan_item.h"

std::string ScanItem::Get(const std::string& key) const
{
    auto it = properties_.find(key);
    return it == properties_.end() ? std::string() : it->second;
}
