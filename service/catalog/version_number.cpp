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

// Reads a version's numbers one at a time.
class VersionReader {
public:
    explicit VersionReader(std::string_view text) : text_(text), pos_(text.find_first_not_of(' ')) {}
    // Whether the text begins with a number (after leading spaces).
    bool Readable() const { return pos_ < text_.size() && IsDigit(text_[pos_]); }
    // The next number; false after the last one.
    bool Next(uint64_t& value)
    {
        if (pos_ >= text_.size() || !IsDigit(text_[pos_]))
            return false;
        value = 0;
        for (; pos_ < text_.size() && IsDigit(text_[pos_]); ++pos_) {
            unsigned digit = static_cast<unsigned>(text_[pos_] - '0');
            const uint64_t limit = std::numeric_limits<uint64_t>::max();
            value = value > (limit - digit) / 10 ? limit : value * 10 + digit;
        }
        while (pos_ < text_.size() && IsSeparator(text_[pos_]))
            ++pos_;
        return true;
    }

private:
    std::string_view text_;
    size_t pos_;
};

}  // namespace

std::optional<VersionNumbers> ReadVersionNumbers(std::string_view text)
{
    VersionReader reader(text);
    if (!reader.Readable())
        return std::nullopt;
    VersionNumbers numbers;
    numbers.reserve(4);  // the usual a.b.c.d in one allocation
    for (uint64_t value = 0; reader.Next(value);)
        numbers.push_back(value);
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

AvailableVersion::AvailableVersion(const VersionNumbers& numbers) : size_(numbers.size())
{
    for (size_t part = 0; part < numbers.size(); ++part) {
        if (part < kInline)
            inline_[part] = numbers[part];
        else
            more_.push_back(numbers[part]);
    }
}

bool IsUpdateFor(std::string_view installed, std::string_view available)
{
    std::optional<VersionNumbers> offered = ReadVersionNumbers(available);
    return offered && IsUpdateFor(installed, AvailableVersion(*offered));
}

bool IsUpdateFor(std::string_view installed, const AvailableVersion& available)
{
    if (installed.empty())
        return true;
    VersionReader current(installed);
    if (!current.Readable())
        return false;
    // Compared part by part; parts missing on either side count as 0.
    size_t part = 0;
    for (uint64_t value = 0; current.Next(value); ++part) {
        const uint64_t offered = part < available.Size() ? available[part] : 0;
        if (offered != value)
            return offered > value;
    }
    for (; part < available.Size(); ++part) {
        if (available[part] != 0)
            return true;
    }
    return false;
}
