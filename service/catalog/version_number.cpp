#include "version_number.h"

#include <limits>

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}
bool IsSeparator(char c)
{
    return c == '.' || c == ',' || c == ' ';
}

}  // namespace

std::optional<VersionNumbers> ReadVersionNumbers(std::string_view text)
{
    size_t pos = text.find_first_not_of(' ');
    if (pos == std::string_view::npos || !IsDigit(text[pos]))
        return std::nullopt;
    VersionNumbers numbers;
    numbers.reserve(4);  // the usual a.b.c.d in one allocation
    while (pos < text.size() && IsDigit(text[pos])) {
        uint64_t value = 0;
        for (; pos < text.size() && IsDigit(text[pos]); ++pos) {
            unsigned digit = static_cast<unsigned>(text[pos] - '0');
            const uint64_t limit = std::numeric_limits<uint64_t>::max();
            value = value > (limit - digit) / 10 ? limit : value * 10 + digit;
        }
        numbers.push_back(value);
        while (pos < text.size() && IsSeparator(text[pos]))
            ++pos;
    }
    return numbers;
}

int CompareVersions(const VersionNumbers& a, const VersionNumbers& b)
{
    for (size_t i = 0; i < a.size() || i < b.size(); ++i) {
        uint64_t left = i < a.size() ? a[i] : 0;
        uint64_t right = i < b.size() ? b[i] : 0;
        if (left != right)
            return left < right ? -1 : 1;
    }
    return 0;
}

bool IsUpdateFor(std::string_view installed, std::string_view available)
{
    std::optional<VersionNumbers> offered = ReadVersionNumbers(available);
    if (!offered)
        return false;
    if (installed.empty())
        return true;
    std::optional<VersionNumbers> current = ReadVersionNumbers(installed);
    return current && CompareVersions(*offered, *current) > 0;
}
