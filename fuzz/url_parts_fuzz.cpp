// Addresses handed to the HTTP client: every part stays within the size the client sends.
#include "url_parts.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    UrlParts parts = ParseUrl(std::string_view(reinterpret_cast<const char*>(data), size));
    if (parts.scheme.size() >= kSchemeSize || parts.host.size() >= kHostSize || parts.path.size() >= kPathSize)
        __builtin_trap();
    return 0;
}
