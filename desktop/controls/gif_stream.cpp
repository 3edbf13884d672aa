#include "gif_stream.h"

namespace {

const uint8_t kExtension = 0x21;
const uint8_t kImage = 0x2C;
const uint8_t kTrailer = 0x3B;
const uint8_t kApplication = 0xFF;
const uint8_t kComment = 0xFE;
const uint8_t kGraphicControl = 0xF9;
const uint8_t kPlainText = 0x01;

unsigned ReadWord(const uint8_t* at)
{
    return static_cast<unsigned>(at[0] | (at[1] << 8));
}

size_t ColourTableSize(uint8_t packed)
{
    return (packed & 0x80) ? 3u * (2u << (packed & 7)) : 0;
}

// Length of a run of data sub-blocks starting at `pos`, its final zero included.
bool SubBlocksLength(const uint8_t* data, size_t size, size_t pos, size_t& length)
{
    size_t at = pos;
    for (;;) {
        if (at >= size) {
            return false;
        }
        size_t count = data[at];
        if (count >= size - at) {
            return false;
        }
        at += 1 + count;
        if (count == 0) {
            length = at - pos;
            return true;
        }
    }
}

// Length of the block at `pos`; false for an unknown block or one that reaches beyond the data.
bool BlockLength(const uint8_t* data, size_t size, size_t pos, size_t& length)
{
    if (pos >= size) {
        return false;
    }
    size_t fixed = 0;
    bool hasSubBlocks = true;
    if (data[pos] == kTrailer) {
        fixed = 1;
        hasSubBlocks = false;
    } else if (data[pos] == kImage) {
        if (size - pos < 10) {
            return false;
        }
        fixed = 10 + ColourTableSize(data[pos + 9]) + 1;
    } else if (data[pos] == kExtension && size - pos >= 2) {
        switch (data[pos + 1]) {
        case kApplication:
            fixed = 14;
            break;
        case kComment:
            fixed = 2;
            break;
        case kPlainText:
            fixed = 15;
            break;
        case kGraphicControl:
            fixed = 8;
            hasSubBlocks = false;
            break;
        default:
            return false;
        }
    } else {
        return false;
    }
    if (fixed > size - pos) {
        return false;
    }
    size_t subBlocks = 0;
    if (hasSubBlocks && !SubBlocksLength(data, size, pos + fixed, subBlocks)) {
        return false;
    }
    length = fixed + subBlocks;
    return true;
}

bool IsExtension(const uint8_t* data, size_t size, size_t pos, uint8_t label)
{
    return size - pos >= 2 && data[pos] == kExtension && data[pos + 1] == label;
}

}  // namespace

bool IsGifData(const uint8_t* data, size_t size)
{
    return size >= 3 && data[0] == 'G' && data[1] == 'I' && data[2] == 'F';
}

bool ReadGifHeader(const uint8_t* data, size_t size, GifHeader& header)
{
    if (!IsGifData(data, size) || size < 13) {
        return false;
    }
    header.width = static_cast<int>(ReadWord(data + 6));
    header.height = static_cast<int>(ReadWord(data + 8));
    header.globalTableSize = ColourTableSize(data[10]);
    header.firstBlock = 13 + header.globalTableSize;
    return header.firstBlock <= size;
}

bool NextGifFrame(const uint8_t* data, size_t size, size_t& offset, GifFrameInfo& frame)
{
    size_t pos = offset;
    size_t length = 0;
    while (pos < size && (IsExtension(data, size, pos, kApplication) || IsExtension(data, size, pos, kComment))) {
        if (!BlockLength(data, size, pos, length)) {
            return false;
        }
        pos += length;
    }
    if (pos >= size || (data[pos] != kImage && data[pos] != kExtension)) {
        return false;
    }
    GifFrameInfo found;
    found.offset = pos;
    if (IsExtension(data, size, pos, kGraphicControl) && size - pos >= 8) {
        found.hasDelay = true;
        found.delay = ReadWord(data + pos + 4);
        found.disposal = (data[pos + 3] >> 2) & 7;
    }
    while (data[pos] != kImage) {
        if (data[pos] != kExtension || !BlockLength(data, size, pos, length)) {
            return false;
        }
        pos += length;
        if (pos >= size) {
            return false;
        }
    }
    if (!BlockLength(data, size, pos, length)) {
        return false;
    }
    found.left = static_cast<int>(ReadWord(data + pos + 1));
    found.top = static_cast<int>(ReadWord(data + pos + 3));
    found.width = static_cast<int>(ReadWord(data + pos + 5));
    found.height = static_cast<int>(ReadWord(data + pos + 7));
    pos += length;
    found.length = pos - found.offset;
    frame = found;
    offset = pos;
    return true;
}

size_t CountGifFrames(const uint8_t* data, size_t size, const GifHeader& header)
{
    size_t count = 0;
    size_t offset = header.firstBlock;
    GifFrameInfo frame;
    while (NextGifFrame(data, size, offset, frame)) {
        ++count;
    }
    return count;
}

std::vector<uint8_t> BuildFrameStream(const uint8_t* data, const GifHeader& header, const GifFrameInfo& frame)
{
    std::vector<uint8_t> stream;
    stream.reserve(header.firstBlock + frame.length + 1);
    stream.insert(stream.end(), data, data + header.firstBlock);
    stream.insert(stream.end(), data + frame.offset, data + frame.offset + frame.length);
    stream.push_back(kTrailer);
    return stream;
}

unsigned FrameWaitMilliseconds(const GifFrameInfo& frame)
{
    return frame.hasDelay && frame.delay >= 5 ? frame.delay * 10 : 100;
}
