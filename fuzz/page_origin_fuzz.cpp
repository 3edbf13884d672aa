// Page addresses as a browser reports them: a parsed origin is well formed, comes from an address
// with no "\" or "@" before its path, and written back as an address it parses to itself and
// allows the page it came from.
#include "page_origin.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace {

bool IsCleanHostChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '[' ||
           c == ']' || c == ':';
}

// The text between the scheme's "//" and the path.
std::string_view BeforePath(std::string_view address)
{
    std::string_view rest = address.substr(address.find("//") + 2);
    return rest.substr(0, rest.find('/'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view address(reinterpret_cast<const char*>(data), size);
    std::optional<PageOrigin> origin = ParsePageOrigin(address);
    if (!origin) {
        if (IsAllowedPage(address, "http://127.0.0.1:8077 https://pages.korvala.example"))
            __builtin_trap();
        return 0;
    }
    if (origin->host.empty() || (origin->scheme != "http" && origin->scheme != "https"))
        __builtin_trap();
    if (BeforePath(address).find_first_of("\\@") != std::string_view::npos)
        __builtin_trap();
    for (char c : origin->host) {
        if (!IsCleanHostChar(c))
            __builtin_trap();
    }
    std::string written = origin->scheme + "://" + origin->host + ":" + std::to_string(origin->port) + "/";
    if (!(ParsePageOrigin(written) == origin) || !IsAllowedPage(address, written))
        __builtin_trap();
    return 0;
}
