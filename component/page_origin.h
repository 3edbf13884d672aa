#pragma once
// The origin of a web page's address (scheme, host and port), by which KVObject tells the
// vendor's pages from all others. Addresses are compared as parsed parts, never as text
// prefixes: "http://127.0.0.1:8077.evil.example/" does not belong to "http://127.0.0.1:8077".
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct PageOrigin {
    std::string scheme;  // "http" or "https"
    std::string host;    // lower-case; an IPv6 literal keeps its brackets
    uint16_t port = 0;   // as written, or the scheme's default

    bool operator==(const PageOrigin& other) const
    {
        return scheme == other.scheme && host == other.host && port == other.port;
    }
};

// The origin of an absolute http or https address. Nothing for every other scheme (file:,
// about:, javascript:, ...) and for an address that is not plainly formed: no "//" after the
// scheme, a "\" or "@" anywhere between the "//" and the path (parsers disagree on where such a
// host part ends, and the vendor's pages never carry one), an empty host, a host character other
// than letters, digits, "-", "." and "_", or a port that is not a decimal number up to 65535.
std::optional<PageOrigin> ParsePageOrigin(std::string_view address);

// The entries of a list of addresses separated by white space, in order.
std::vector<std::string_view> ListedAddresses(std::string_view addresses);

// Whether a page at pageAddress may drive the object: its origin equals the origin of one of
// the ListedAddresses of allowedAddresses. An address that has no origin is never allowed, nor
// does it allow anything when it stands in the list.
bool IsAllowedPage(std::string_view pageAddress, std::string_view allowedAddresses);
