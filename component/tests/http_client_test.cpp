// The HTTP client against a loopback server inside the test program: the exact request bytes,
// how replies are split, and the failures that must happen before anything is sent.
#include "http_client.h"
#include "loopback_server.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

const std::string kCommonLines =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/vnd.ms-excel, application/msword, "
    "application/vnd.ms-powerpoint, */*\r\n"
    "Accept-Language: en-us\r\n"
    "Accept-Encoding: gzip, deflate\r\n"
    "User-Agent: Mozilla/4.0\r\n";

const std::string kOkReply = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nfine";

TEST(HttpClient, SendsTheExactGetRequest)
{
    LoopbackServer server;
    server.Serve(kOkReply);
    std::string header, body;
    ASSERT_TRUE(HttpClient().Request(false, "http://LocalHost:" + std::to_string(server.Port()) + "/Some/Path?Q=a",
                                     "ignored", header, body));
    EXPECT_EQ(server.Request(), "GET /Some/Path?Q=a HTTP/1.0\r\n" + kCommonLines + "Host: LOCALHOST\r\n\r\n");
    EXPECT_EQ(header, "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n");
    EXPECT_EQ(body, "fine");
}

TEST(HttpClient, SendsTheExactPostRequest)
{
    const struct {
        const char* form;
        std::string expected;
    } cases[] = {
        {"a=1&b=<x y>%+", "POST /count HTTP/1.0\r\n" + kCommonLines +
                              "Content-Length: 13\r\nHost: 127.0.0.1\r\n"
                              "Content-Type: application/x-www-form-urlencoded\r\n\r\na=1&b=<x y>%+"},
        {"", "POST /count HTTP/1.0\r\n" + kCommonLines +
                 "Host: 127.0.0.1\r\nContent-Type: application/x-www-form-urlencoded\r\n\r\n"},
    };
    for (const auto& c : cases) {
        LoopbackServer server;
        server.Serve(kOkReply);
        std::string header, body;
        ASSERT_TRUE(HttpClient().Request(true, server.Url("/count"), c.form, header, body)) << c.form;
        EXPECT_EQ(server.Request(), c.expected) << c.form;
        EXPECT_EQ(body, "fine");
    }
}

TEST(HttpClient, AnAddressWithoutPathRequestsTheRoot)
{
    LoopbackServer server;
    server.Serve(kOkReply);
    std::string header, body;
    ASSERT_TRUE(HttpClient().Request(false, server.Url(""), "", header, body));
    EXPECT_EQ(server.Request().substr(0, 16), "GET / HTTP/1.0\r\n");
}

TEST(HttpClient, SplitsHeaderFromBody)
{
    const struct {
        std::string reply;
        std::string header;
        std::string body;
    } cases[] = {
        {"HTTP/1.0 200 OK\nA: b\n\nbody\n\nmore", "HTTP/1.0 200 OK\nA: b\n\n", "body\n\nmore"},
        {"HTTP/1.0 200 OK\r\nA: b\r\n", "HTTP/1.0 200 OK\r\nA: b\r\n", ""},  // no empty line, then closed
        {std::string("HTTP/1.0 200 OK\r\n\r\nab\0cd", 23), "HTTP/1.0 200 OK\r\n\r\n", "ab"},  // cut at the NUL
        {"HTTP/1.0 500 Oops\r\nContent-Encoding: gzip\r\n\r\n 7", "HTTP/1.0 500 Oops\r\nContent-Encoding: gzip\r\n\r\n",
         " 7"},  // neither status nor coding is looked at
        {"", "", ""},
    };
    for (const auto& c : cases) {
        LoopbackServer server;
        server.Serve(c.reply);
        std::string header = "untouched", body = "untouched";
        ASSERT_TRUE(HttpClient().Request(false, server.Url("/"), "", header, body)) << c.reply;
        EXPECT_EQ(header, c.header) << c.reply;
        EXPECT_EQ(body, c.body) << c.reply;
    }
}

TEST(HttpClient, CollectsBodyBytesPastANulAndOverManyChunks)
{
    std::string payload;
    for (int i = 0; i < 200000; ++i)
        payload += static_cast<char>(i % 251);  // NUL bytes included
    LoopbackServer server;
    server.Serve("HTTP/1.0 200 OK\r\n\r\n" + payload);
    ByteBuffer header, body;
    ASSERT_EQ(HttpClient().SendRequest(server.Url("/big").c_str(), nullptr, nullptr, 0, header, body), 0);
    EXPECT_STREQ(header.Text(), "HTTP/1.0 200 OK\r\n\r\n");
    ASSERT_EQ(body.Size(), payload.size());
    EXPECT_EQ(std::string(body.Text(), body.Size()), payload);
}

TEST(HttpClient, AReplyLongerThanTheLimitFails)
{
    constexpr std::size_t kLimit = 1000;
    const std::string status = "HTTP/1.0 200 OK\r\n";
    const std::string headerLine = "X: ";  // a header line of n characters is headerLine, n - 3 more, CR LF
    const struct {
        std::string reply;
        int result;
    } cases[] = {
        {status + "\r\n" + std::string(kLimit - status.size() - 2, 'b'), 0},
        {status + "\r\n" + std::string(kLimit - status.size() - 1, 'b'), 1},
        {status + headerLine + std::string(kLimit - status.size() - 7, 'h') + "\r\n\r\n", 0},
        {status + headerLine + std::string(kLimit - status.size() - 6, 'h') + "\r\n\r\n", 1},  // in the header
    };
    for (const auto& c : cases) {
        LoopbackServer server;
        server.Serve(c.reply);
        ByteBuffer header, body;
        EXPECT_EQ(HttpClient(kLimit).SendRequest(server.Url("/").c_str(), nullptr, nullptr, 0, header, body), c.result)
            << c.reply.size();
        EXPECT_LE(header.Size() + body.Size(), kLimit);
        server.Request();
    }
    // A reply without end fails as soon as it passes the limit.
    LoopbackServer flood;
    flood.Serve(status + "\r\n", LoopbackServer::Mode::Floods);
    ByteBuffer header, body;
    EXPECT_EQ(HttpClient(kLimit).SendRequest(flood.Url("/").c_str(), nullptr, nullptr, 0, header, body), 1);
    flood.Request();
    EXPECT_EQ(flood.Connections(), 1);
}

TEST(HttpClient, APeerThatClosesAtOnceGivesAnEmptyReply)
{
    LoopbackServer server;
    server.Serve("", LoopbackServer::Mode::ClosesAtOnce);
    std::string header = "untouched", body = "untouched";
    EXPECT_TRUE(HttpClient().Request(true, server.Url("/count"), "data=x", header, body));
    server.Request();
    EXPECT_EQ(header, "");
    EXPECT_EQ(body, "");
}

TEST(HttpClient, FailsWithoutNetworkActivityForOtherSchemes)
{
    LoopbackServer server;
    const std::string hostAndPort = "127.0.0.1:" + std::to_string(server.Port()) + "/";
    for (const std::string scheme : {"https://", "ftp://", "file://", "httpx://"}) {
        std::string header = "untouched", body = "untouched";
        EXPECT_FALSE(HttpClient().Request(true, scheme + hostAndPort, "data=x", header, body)) << scheme;
        EXPECT_EQ(header, "untouched");
        EXPECT_EQ(body, "untouched");
    }
    EXPECT_FALSE(server.HasPendingConnection());
}

TEST(HttpClient, FailsWhenTheServerCannotBeReached)
{
    LoopbackServer refused;
    refused.Close();
    const std::string urls[] = {
        refused.Url("/count"), "http://no-such-host.invalid/count", "http://127.0.0.1:0/count",
        "http://127.0.0.1:65616/count",  // beyond 16 bits: not cut down to port 80
    };
    for (const std::string& url : urls) {
        std::string header = "untouched", body = "untouched";
        EXPECT_FALSE(HttpClient().Request(false, url, "", header, body)) << url;
        EXPECT_EQ(header, "untouched");
        EXPECT_EQ(body, "untouched");
    }
}

std::size_t gAllowedBytes;

void* LimitedRealloc(void* block, std::size_t size)
{
    return size > gAllowedBytes ? nullptr : std::realloc(block, size);
}

TEST(HttpClient, FailsCleanlyWhenTheReplyOutgrowsMemory)
{
    gAllowedBytes = 4096;
    const struct {
        std::string reply;
    } cases[] = {
        {"HTTP/1.0 200 OK\r\n\r\n" + std::string(10000, 'b')},               // in the body
        {"HTTP/1.0 200 OK\r\nX: " + std::string(10000, 'h') + "\r\n\r\nb"},  // in the header
    };
    for (const auto& c : cases) {
        LoopbackServer server;
        server.Serve(c.reply);
        ByteBuffer header(LimitedRealloc), body(LimitedRealloc);
        EXPECT_EQ(HttpClient().SendRequest(server.Url("/").c_str(), nullptr, nullptr, 0, header, body), 1);
        server.Request();  // the server finished: the client closed its socket
    }
}

TEST(HttpClient, ResolvesNamesToIpv4InNetworkOrder)
{
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &data), 0);
    EXPECT_EQ(HttpClient::ResolveHost("127.0.0.1"), htonl(INADDR_LOOPBACK));
    EXPECT_EQ(HttpClient::ResolveHost("no-such-host.invalid"), 0u);
    WSACleanup();
}

}  // namespace
