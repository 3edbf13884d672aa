#pragma once
// Versions compare as numbers: the leading run of numbers separated by ".", "," or spaces.
// "1, 6, 0, 0" reads as 1.6.0.0 and "6.00.2900 (xpsp.080413-2111)" as 6.0.2900.
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

using VersionNumbers = std::vector<uint64_t>;

// nullopt when the text does not begin with a number (after leading spaces).
std::optional<VersionNumbers> ReadVersionNumbers(std::string_view text);

// Negative, zero or positive as a is older than, equal to or newer than b; missing trailing
// parts count as 0, so 1.2 equals 1.2.0.0.
int CompareVersions(const VersionNumbers& a, const VersionNumbers& b);

// Whether the catalog's version is an update for the installed one. An empty installed version
// (no driver) is always updated; one with no leading number (an unreadable driver key) never.
bool IsUpdateFor(std::string_view installed, std::string_view available);

// A catalog's version read once, for comparing it with many installed ones: its first numbers
// stand in the object itself, so that a comparison usually reads one place in memory.
class AvailableVersion {
public:
    explicit AvailableVersion(const VersionNumbers& numbers);
    size_t Size() const { return size_; }
    uint64_t operator[](size_t part) const { return part < kInline ? inline_[part] : more_[part - kInline]; }

private:
    static constexpr size_t kInline = 4;
    uint64_t inline_[kInline] = {};
    size_t size_ = 0;
    std::vector<uint64_t> more_;  // the numbers after the first kInline
};

// The same for a version read beforehand; the installed text is read as it is compared, without
// allocating.
bool IsUpdateFor(std::string_view installed, const AvailableVersion& available);
