// The HTTP client's rules that need no socket: address parts, the reply buffer and the end of the
// reply header.
#include "byte_buffer.h"
#include "http_reply.h"
#include "url_parts.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

struct UrlCase {
    const char* url;
    const char* scheme;
    const char* host;
    int32_t port;
    const char* path;
};

const UrlCase kUrlCases[] = {
    {"http://Service.Example-1.org:8080/a/B?x=1", "HTTP", "SERVICE.EXAMPLE-1.ORG", 8080, "/a/B?x=1"},
    {"host.example/p", "HTTP", "HOST.EXAMPLE", 80, "/p"},
    {"http://127.0.0.1:8077", "HTTP", "127.0.0.1", 8077, ""},
    {"https://secure.example/x", "HTTPS", "SECURE.EXAMPLE", 80, "/x"},
    {"ftp://files.example/", "FTP", "FILES.EXAMPLE", 80, "/"},
    {"http://h:/x", "HTTP", "H", 0, "/x"},                         // a colon without digits: port 0
    {"http://h:12ab/x", "HTTP", "H", 12, "/x"},                    // leading digits only
    {"http://h:99999999999999/x", "HTTP", "H", 2147483647, "/x"},  // saturates, never overflows
    {"http:h/x", "HTTP", "H", 80, "/x"},                           // "//" is optional
    {"http://user@h/x", "HTTP", "USER", 80, "@h/x"},               // no user part: the run stops at "@"
    {"", "HTTP", "", 80, ""},
};

TEST(ParseUrl, SplitsSchemeHostPortAndPath)
{
    for (const UrlCase& c : kUrlCases) {
        UrlParts parts = ParseUrl(c.url);
        EXPECT_EQ(parts.scheme, c.scheme) << c.url;
        EXPECT_EQ(parts.host, c.host) << c.url;
        EXPECT_EQ(parts.port, c.port) << c.url;
        EXPECT_EQ(parts.path, c.path) << c.url;
    }
}

TEST(ParseUrl, CutsLongPartsToTheirBuffers)
{
    UrlParts parts = ParseUrl(std::string(30, 's') + "://" + std::string(300, 'h') + "/" + std::string(2000, 'p'));
    EXPECT_EQ(parts.scheme, std::string(kSchemeSize - 1, 'S'));
    EXPECT_EQ(parts.host, std::string(kHostSize - 1, 'H'));
    EXPECT_EQ(parts.path, "/" + std::string(kPathSize - 2, 'p'));
}

TEST(IsHostChar, AcceptsLettersDigitsDashDotColonOnly)
{
    for (int c = 0; c < 256; ++c) {
        char ch = static_cast<char>(c);
        bool expected = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') || ch == '-' ||
                        ch == '.' || ch == ':';
        EXPECT_EQ(IsHostChar(ch), expected) << c;
    }
}

TEST(ByteBuffer, GrowsByDoublingAndKeepsRoomForTheTerminator)
{
    ByteBuffer buffer;
    EXPECT_EQ(buffer.Capacity(), 10u);
    EXPECT_STREQ(buffer.Text(), "");
    std::string expected;
    for (int i = 0; i < 100; ++i) {
        char byte = static_cast<char>('a' + i % 26);
        ASSERT_TRUE(buffer.AppendByte(byte));
        expected += byte;
        EXPECT_LT(buffer.Size(), buffer.Capacity());
    }
    EXPECT_EQ(buffer.Capacity(), 160u);
    EXPECT_EQ(std::string(buffer.Text(), buffer.Size()), expected);

    ByteBuffer chunks;
    ASSERT_TRUE(chunks.Append("0123456789", 10));  // 10 + 0 >= 10: one doubling
    EXPECT_EQ(chunks.Capacity(), 20u);
    ASSERT_TRUE(chunks.Append(std::string(75, 'x').c_str(), 75));  // 85 needs two more
    EXPECT_EQ(chunks.Capacity(), 160u);
    ASSERT_TRUE(chunks.Append("", 0));
    EXPECT_EQ(chunks.Size(), 85u);
    EXPECT_EQ(chunks.Text()[85], '\0');
}

std::size_t gAllowedBytes;

void* LimitedRealloc(void* block, std::size_t size)
{
    return size > gAllowedBytes ? nullptr : std::realloc(block, size);
}

TEST(ByteBuffer, OutOfMemoryFailsAndKeepsTheContent)
{
    gAllowedBytes = 40;
    ByteBuffer buffer(LimitedRealloc);
    ASSERT_TRUE(buffer.Append("0123456789012345678", 19));  // capacity 40
    EXPECT_FALSE(buffer.Append(std::string(30, 'x').c_str(), 30));
    EXPECT_EQ(buffer.Size(), 19u);
    EXPECT_STREQ(buffer.Text(), "0123456789012345678");
    EXPECT_TRUE(buffer.Append("x", 1));  // smaller appends still fit

    gAllowedBytes = 0;
    ByteBuffer empty(LimitedRealloc);
    EXPECT_STREQ(empty.Text(), "");
    EXPECT_FALSE(empty.AppendByte('x'));
    EXPECT_EQ(empty.Size(), 0u);
}

TEST(ByteBuffer, RefusesAnAppendBeyondTheAddressSpace)
{
    gAllowedBytes = 1000;
    ByteBuffer buffer(LimitedRealloc);
    ASSERT_TRUE(buffer.Append("abc", 3));
    EXPECT_FALSE(buffer.Append("x", static_cast<std::size_t>(-1)));
    EXPECT_FALSE(buffer.Append("x", static_cast<std::size_t>(-1) / 2 + 2));
    EXPECT_STREQ(buffer.Text(), "abc");
}

// Where the header ends: the number of bytes fed when the detector answers true, or 0.
std::size_t HeaderLength(const std::string& reply)
{
    HeaderEndDetector detector;
    for (std::size_t i = 0; i < reply.size(); ++i)
        if (detector.Feed(reply[i]))
            return i + 1;
    return 0;
}

TEST(HeaderEndDetector, EndsAtTheFirstEmptyLine)
{
    const struct {
        const char* reply;
        std::size_t headerLength;
    } cases[] = {
        {"HTTP/1.0 200 OK\r\nA: b\r\n\r\nbody\r\n\r\n", 25},
        {"HTTP/1.0 200 OK\nA: b\n\nbody", 22},
        {"HTTP/1.0 200 OK\r\n\n", 18},
        {"HTTP/1.0 200 OK\r\n\r\r\r\nbody", 21},  // a line of CRs counts as empty
        {"\r\nbody", 2},
        {"HTTP/1.0 200 OK\r\nA: b\r\n", 0},  // no empty line: the header runs to the end
        {"HTTP/1.0 200 OK\r\nA:\rb\r\n", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HeaderLength(c.reply), c.headerLength) << c.reply;
}

}  // namespace
