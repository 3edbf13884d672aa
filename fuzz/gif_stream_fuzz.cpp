// GIF streams as the animated picture control takes them apart: header, frame count, every
// frame cut out into a stream of its own, and its wait.
#include "gif_stream.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> bytes(data, data + size);
    GifHeader header;
    if (!IsGifData(bytes.data(), bytes.size()) || !ReadGifHeader(bytes.data(), bytes.size(), header))
        return 0;
    CountGifFrames(bytes.data(), bytes.size(), header);
    size_t offset = header.firstBlock;
    GifFrameInfo frame;
    while (NextGifFrame(bytes.data(), bytes.size(), offset, frame)) {
        std::vector<uint8_t> stream = BuildFrameStream(bytes.data(), header, frame);
        FrameWaitMilliseconds(frame);
        if (stream.empty())
            __builtin_trap();
    }
    return 0;
}
