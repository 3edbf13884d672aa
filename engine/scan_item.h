#pragma once
// One scan item: a small map of 8-bit text properties that lives long enough to be
// written as one ScanItem line of the scan document.
#include <map>
#include <string>

inline constexpr char kHardwareIdKey[] = "HARDWAREID";
inline constexpr char kVersionIdKey[] = "VERSIONID";
inline constexpr char kPermuteLevelKey[] = "PERMUTELEVEL";

class ScanItem {
public:
    void Set(const std::string& key, const std::string& value) { properties_[key] = value; }
    // A key that was never set reads as the empty text.
    std::string Get(const std::string& key) const;
    bool Has(const std::string& key) const { return properties_.count(key) != 0; }

private:
    std::map<std::string, std::string> properties_;
};
