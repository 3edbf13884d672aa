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
