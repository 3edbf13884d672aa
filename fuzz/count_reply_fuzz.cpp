// The update count as any service might answer it.
#include "count_reply.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ReadCount(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
