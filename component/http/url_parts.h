#pragma once
// Splits an HTTP address into scheme, host, port and path, the way the HTTP client sends it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Sizes of the parts including a terminating NUL; longer parts are cut to fit.
inline constexpr std::size_t kSchemeSize = 20;
inline constexpr std::size_t kHostSize = 256;
inline constexpr std::size_t kPathSize = 1024;

struct UrlParts {
    std::string scheme;  // upper-cased; "HTTP" when the address names none
    std::string host;    // upper-cased, without the port
    std::string path;    // the rest of the address, case kept; may be empty
    int32_t port = 80;
};

// Whether the character may stand in a host name (a port separator and digits included).
bool IsHostChar(char c);

UrlParts ParseUrl(std::string_view url);
