// HTTP replies as the client reads them: header end found byte by byte, the body behind it read
// as the update count.
#include "count_reply.h"
#include "http_reply.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* text = reinterpret_cast<const char*>(data);
    HeaderEndDetector detector;
    size_t bodyStart = size;
    for (size_t i = 0; i < size; ++i) {
        if (detector.Feed(text[i])) {
            bodyStart = i + 1;
            break;
        }
    }
    ReadCount(std::string_view(text + bodyStart, size - bodyStart));
    return 0;
}
