#include <gtest/gtest.h>

#include "gif_stream.h"

#include <fstream>
#include <iterator>
#include <vector>

namespace {

typedef std::vector<uint8_t> Bytes;

std::vector<uint8_t> ReadBusyGif()
{
    std::ifstream file(BUSY_GIF_PATH, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

void Append(Bytes& to, const Bytes& bytes)
{
    to.insert(to.end(), bytes.begin(), bytes.end());
}

// Header of a 20 x 10 screen with a 2-colour global table.
Bytes Header()
{
    return {'G', 'I', 'F', '8', '9', 'a', 20, 0, 10, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255};
}
Bytes ControlExtension(unsigned delay, unsigned disposal)
{
    return {0x21,
            0xF9,
            4,
            static_cast<uint8_t>(disposal << 2),
            static_cast<uint8_t>(delay & 0xFF),
            static_cast<uint8_t>(delay >> 8),
            0,
            0};
}
// An image block at (left, top) of 2 x 1 pixels; `localTable` adds a 2-colour local table.
Bytes Image(uint8_t left, uint8_t top, bool localTable = false)
{
    Bytes image = {0x2C, left, 0, top, 0, 2, 0, 1, 0, static_cast<uint8_t>(localTable ? 0x80 : 0)};
    if (localTable) {
        Append(image, {1, 2, 3, 4, 5, 6});
    }
    Append(image, {2, 2, 0x44, 0x01, 0});
    return image;
}

std::vector<GifFrameInfo> Walk(const Bytes& data, size_t size)
{
    std::vector<GifFrameInfo> frames;
    GifHeader header;
    if (!ReadGifHeader(data.data(), size, header)) {
        return frames;
    }
    size_t offset = header.firstBlock;
    GifFrameInfo frame;
    while (NextGifFrame(data.data(), size, offset, frame)) {
        frames.push_back(frame);
    }
    return frames;
}

TEST(GifStream, BusyIndicatorHasEightFullFramesWithoutDelay)
{
    Bytes data = ReadBusyGif();
    ASSERT_FALSE(data.empty());
    GifHeader header;
    ASSERT_TRUE(ReadGifHeader(data.data(), data.size(), header));
    EXPECT_EQ(16, header.width);
    EXPECT_EQ(16, header.height);
    std::vector<GifFrameInfo> frames = Walk(data, data.size());
    ASSERT_EQ(8u, frames.size());
    for (const GifFrameInfo& frame : frames) {
        EXPECT_EQ(0, frame.left);
        EXPECT_EQ(16, frame.width);
        EXPECT_EQ(16, frame.height);
        EXPECT_TRUE(frame.hasDelay);
        EXPECT_EQ(0u, frame.delay);
        EXPECT_EQ(100u, FrameWaitMilliseconds(frame));
    }
}

TEST(GifStream, WalksExtensionsTablesAndFramesWithoutControlExtension)
{
    Bytes data = Header();
    Append(data, {0x21, 0xFE, 3, 'h', 'i', '!', 0});  // comment before frame 1
    Append(data, ControlExtension(5, 2));
    Append(data, {0x21, 0x01, 12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 'x', 0});  // plain text
    Append(data, Image(3, 4, true));
    size_t secondFrame = data.size();
    Append(data, Image(7, 8));  // no control extension
    Append(data, {0x3B});
    std::vector<GifFrameInfo> frames = Walk(data, data.size());
    ASSERT_EQ(2u, frames.size());
    EXPECT_EQ(3, frames[0].left);
    EXPECT_EQ(4, frames[0].top);
    EXPECT_EQ(2, frames[0].width);
    EXPECT_EQ(1, frames[0].height);
    EXPECT_EQ(5u, frames[0].delay);
    EXPECT_EQ(2u, frames[0].disposal);
    EXPECT_EQ(50u, FrameWaitMilliseconds(frames[0]));
    EXPECT_EQ(secondFrame, frames[1].offset);
    EXPECT_EQ(data.size() - 1, frames[1].offset + frames[1].length);
    EXPECT_FALSE(frames[1].hasDelay);
    EXPECT_EQ(0u, frames[1].disposal);
    EXPECT_EQ(100u, FrameWaitMilliseconds(frames[1]));
}

TEST(GifStream, FrameWaitFromDelay)
{
    struct Case {
        bool hasDelay;
        unsigned delay;
        unsigned wait;
    };
    const Case cases[] = {{false, 0, 100}, {true, 0, 100},    {true, 4, 100},
                          {true, 5, 50},   {true, 100, 1000}, {true, 65535, 655350}};
    for (const Case& c : cases) {
        GifFrameInfo frame;
        frame.hasDelay = c.hasDelay;
        frame.delay = c.delay;
        EXPECT_EQ(c.wait, FrameWaitMilliseconds(frame)) << c.delay;
    }
}

TEST(GifStream, UnknownBlockOrTrailerEndsTheWalk)
{
    Bytes data = Header();
    Append(data, Image(0, 0));
    Append(data, {0x99});
    Append(data, Image(1, 1));
    EXPECT_EQ(1u, Walk(data, data.size()).size());
    Bytes unknownExtension = Header();
    Append(unknownExtension, {0x21, 0x42, 0});
    Append(unknownExtension, Image(0, 0));
    EXPECT_EQ(0u, Walk(unknownExtension, unknownExtension.size()).size());
}

// Every cut of the stream yields exactly the frames that end before the cut, and reads nothing
// beyond it (the sanitizers watch the reads).
TEST(GifStream, TruncatedDataGivesTheCompleteFramesBeforeTheCut)
{
    Bytes data = ReadBusyGif();
    std::vector<GifFrameInfo> full = Walk(data, data.size());
    ASSERT_EQ(8u, full.size());
    for (size_t cut = 0; cut <= data.size(); ++cut) {
        Bytes cutData(data.begin(), data.begin() + static_cast<long>(cut));
        size_t expected = 0;
        for (const GifFrameInfo& frame : full) {
            expected += frame.offset + frame.length <= cut ? 1 : 0;
        }
        GifHeader header;
        size_t counted = ReadGifHeader(cutData.data(), cut, header) ? CountGifFrames(cutData.data(), cut, header) : 0;
        EXPECT_EQ(expected, counted) << "cut at " << cut;
    }
}

TEST(GifStream, HeaderChecks)
{
    Bytes data = Header();
    GifHeader header;
    EXPECT_TRUE(ReadGifHeader(data.data(), data.size(), header));
    EXPECT_EQ(6u, header.globalTableSize);
    EXPECT_EQ(19u, header.firstBlock);
    EXPECT_FALSE(ReadGifHeader(data.data(), 18, header)) << "colour table cut off";
    EXPECT_FALSE(ReadGifHeader(data.data(), 12, header));
    const uint8_t bitmap[] = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_FALSE(IsGifData(bitmap, sizeof(bitmap)));
    EXPECT_TRUE(IsGifData(data.data(), 3));
    EXPECT_FALSE(IsGifData(data.data(), 2));
}

TEST(GifStream, FrameStreamIsHeaderTableFrameAndTrailer)
{
    Bytes data = Header();
    Append(data, Image(0, 0));
    Append(data, ControlExtension(7, 3));
    Append(data, Image(5, 6));
    Append(data, {0x3B});
    std::vector<GifFrameInfo> frames = Walk(data, data.size());
    ASSERT_EQ(2u, frames.size());
    GifHeader header;
    ASSERT_TRUE(ReadGifHeader(data.data(), data.size(), header));
    Bytes stream = BuildFrameStream(data.data(), header, frames[1]);
    Bytes expected = Header();
    Append(expected, ControlExtension(7, 3));
    Append(expected, Image(5, 6));
    Append(expected, {0x3B});
    EXPECT_EQ(expected, stream);
}

}  // namespace
