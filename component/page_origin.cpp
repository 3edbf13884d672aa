#include "page_origin.h"

#include <algorithm>

namespace {

constexpr uint32_t kMaxPort = 65535;

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Lowered(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        c = LowerAscii(c);
    return lower;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsHostNameChar(char c)
{
    return IsLetter(c) || IsDigit(c) || c == '-' || c == '.' || c == '_';
}

bool IsIpv6LiteralChar(char c)
{
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' || c == '.';
}

template <typename Predicate>
bool AllOf(std::string_view text, Predicate accepts)
{
    for (char c : text) {
        if (!accepts(c))
            return false;
    }
    return true;
}

// The port's digits; empty means the scheme's default, as browsers read "host:".
std::optional<uint16_t> ReadPort(std::string_view digits, uint16_t defaultPort)
{
    if (digits.empty())
        return defaultPort;
    uint32_t port = 0;
    for (char c : digits) {
        if (!IsDigit(c))
            return std::nullopt;
        port = port * 10 + static_cast<uint32_t>(c - '0');
        if (port > kMaxPort)
            return std::nullopt;
    }
    return static_cast<uint16_t>(port);
}

// Splits "host", "host:port", "[v6]" or "[v6]:port" into the origin's host and port.
bool ReadHostAndPort(std::string_view hostPort, uint16_t defaultPort, PageOrigin& origin)
{
    std::string_view host = hostPort;
    std::string_view port;
    bool hasPort = false;
    if (!hostPort.empty() && hostPort.front() == '[') {
        std::size_t close = hostPort.find(']');
        if (close == std::string_view::npos || close == 1 || !AllOf(hostPort.substr(1, close - 1), IsIpv6LiteralChar))
            return false;
        host = hostPort.substr(0, close + 1);
        std::string_view after = hostPort.substr(close + 1);
        if (!after.empty() && after.front() != ':')
            return false;
        hasPort = !after.empty();
        port = hasPort ? after.substr(1) : after;
    } else {
        std::size_t colon = hostPort.find(':');
        hasPort = colon != std::string_view::npos;
        if (hasPort) {
            host = hostPort.substr(0, colon);
            port = hostPort.substr(colon + 1);
        }
        if (host.empty() || !AllOf(host, IsHostNameChar))
            return false;
    }
    std::optional<uint16_t> number = ReadPort(port, defaultPort);
    if (!number)
        return false;
    origin.host = Lowered(host);
    origin.port = *number;
    return true;
}

}  // namespace

std::optional<PageOrigin> ParsePageOrigin(std::string_view address)
{
    std::size_t colon = address.find(':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    PageOrigin origin;
    origin.scheme = Lowered(address.substr(0, colon));
    uint16_t defaultPort = 0;
    if (origin.scheme == "http")
        defaultPort = 80;
    else if (origin.scheme == "https")
        defaultPort = 443;
    else
        return std::nullopt;

    std::string_view rest = address.substr(colon + 1);
    if (rest.substr(0, 2) != "//")
        return std::nullopt;
    rest.remove_prefix(2);
    // Browsers end the host part at a backslash, while the older Windows parser (InternetCrackUrl)
    // reads past it and takes what follows an "@" as the host: before the path, either character
    // leaves the host in doubt.
    std::string_view beforePath = rest.substr(0, rest.find('/'));
    if (beforePath.find_first_of("\\@") != std::string_view::npos)
        return std::nullopt;
    std::string_view authority = rest.substr(0, rest.find_first_of("/?#"));
    if (!ReadHostAndPort(authority, defaultPort, origin))
        return std::nullopt;
    return origin;
}

std::vector<std::string_view> ListedAddresses(std::string_view addresses)
{
    constexpr std::string_view kSpace = " \t\r\n";
    std::vector<std::string_view> listed;
    std::size_t at = addresses.find_first_not_of(kSpace);
    while (at != std::string_view::npos) {
        std::size_t end = std::min(addresses.find_first_of(kSpace, at), addresses.size());
        listed.push_back(addresses.substr(at, end - at));
        at = addresses.find_first_not_of(kSpace, end);
    }
    return listed;
}

bool IsAllowedPage(std::string_view pageAddress, std::string_view allowedAddresses)
{
    std::optional<PageOrigin> page = ParsePageOrigin(pageAddress);
    if (!page)
        return false;
    for (std::string_view allowed : ListedAddresses(allowedAddresses)) {
        if (ParsePageOrigin(allowed) == page)
            return true;
    }
    return false;
}
