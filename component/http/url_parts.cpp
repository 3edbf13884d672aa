#include "url_parts.h"

#include <limits>

namespace {

char UpperAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// The first size - 1 characters, as a fixed buffer of that size would keep them.
std::string CutToFit(std::string_view text, std::size_t size)
{
    return std::string(text.substr(0, size - 1));
}

// The leading decimal digits of the text; none gives 0, too many saturate.
int32_t LeadingDigits(std::string_view text)
{
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        value = value * 10 + (c - '0');
        if (value > std::numeric_limits<int32_t>::max())
            return std::numeric_limits<int32_t>::max();
    }
    return static_cast<int32_t>(value);
}

}  // namespace

bool IsHostChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == ':';
}

UrlParts ParseUrl(std::string_view url)
{
    std::string upper(url);
    for (char& c : upper)
        c = UpperAscii(c);

    UrlParts parts;
    std::size_t rest = 0;
    std::size_t colon = upper.find(':');
    if (colon != std::string::npos) {
        parts.scheme = CutToFit(std::string_view(upper).substr(0, colon), kSchemeSize);
        rest = colon + 1;
    } else {
        parts.scheme = "HTTP";
    }
    if (upper.compare(rest, 2, "//") == 0)
        rest += 2;

    std::size_t hostEnd = rest;
    while (hostEnd < upper.size() && IsHostChar(upper[hostEnd]))
        ++hostEnd;
    parts.host = CutToFit(std::string_view(upper).substr(rest, hostEnd - rest), kHostSize);
    parts.path = CutToFit(url.substr(hostEnd), kPathSize);

    std::size_t portColon = parts.host.find(':');
    if (portColon != std::string::npos) {
        parts.port = LeadingDigits(std::string_view(parts.host).substr(portColon + 1));
        parts.host.erase(portColon);
    }
    return parts;
}
