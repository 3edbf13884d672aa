// Taking a GIF stream apart into its frames. Reads outside data: every read is bounds-checked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct GifHeader {
    int width = 0;  // logical screen size
    int height = 0;
    size_t globalTableSize = 0;  // bytes of the global colour table
    size_t firstBlock = 0;       // offset behind the header and the global colour table
};

struct GifFrameInfo {
    size_t offset = 0;  // first byte of the frame's first block
    size_t length = 0;  // through the end of its image data
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool hasDelay = false;  // false when no graphic control extension precedes the image
    unsigned delay = 0;     // hundredths of a second
    unsigned disposal = 0;
};

// True when the data begins with "GIF".
bool IsGifData(const uint8_t* data, size_t size);

// Reads the 13-byte header; false when it or the global colour table is cut off.
bool ReadGifHeader(const uint8_t* data, size_t size, GifHeader& header);

// Finds the frame that starts at or after `offset` and moves `offset` behind it. False at the
// trailer, at an unknown block, or where a block would reach beyond the data.
bool NextGifFrame(const uint8_t* data, size_t size, size_t& offset, GifFrameInfo& frame);

// Counts the complete frames of the stream.
size_t CountGifFrames(const uint8_t* data, size_t size, const GifHeader& header);

// A GIF stream of one frame: the source's header and global colour table, the frame's bytes and
// the trailer.
std::vector<uint8_t> BuildFrameStream(const uint8_t* data, const GifHeader& header, const GifFrameInfo& frame);

// How long a frame stays: delays below 5 hundredths, and frames without a delay, stay 100 ms.
unsigned FrameWaitMilliseconds(const GifFrameInfo& frame);
