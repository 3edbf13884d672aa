// The update-count request against a loopback service: the posted form and how the reply
// becomes the count.
#include "loopback_server.h"
#include "update_count.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string BaseUrl(const LoopbackServer& server)
{
    return server.Url("");
}

TEST(UpdateCount, ReadsTheNumberAtTheStartOfTheBody)
{
    const struct {
        const char* body;
        int32_t count;
    } cases[] = {
        {"12", 12}, {" 7 updates", 7}, {"<html><head><title>404 Not Found</title></head></html>", 0},
        {"-3", -3}, {"", 0},           {"4294967308", 2147483647},
    };
    for (const auto& c : cases) {
        LoopbackServer server;
        server.Serve(std::string("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n") + c.body);
        EXPECT_EQ(RequestUpdateCount(BaseUrl(server), "line\r\n"), c.count) << c.body;
        server.Request();
    }
}

TEST(UpdateCount, PostsTheDocumentUnescapedWithoutUserDetails)
{
    const std::string inventory = "<ScanItem HWIDHASH=\"1\" VERSIONID=\"a&b+c%d e\" PLEVEL=\"0\"/>\r\n";
    LoopbackServer server;
    server.Serve("HTTP/1.0 200 OK\r\n\r\n5");
    ASSERT_EQ(RequestUpdateCount(BaseUrl(server), inventory), 5);
    const std::string request = server.Request();

    const std::size_t bodyStart = request.find("\r\n\r\n") + 4;
    const std::string head = request.substr(0, bodyStart);
    const std::string form = request.substr(bodyStart);
    EXPECT_EQ(head.substr(0, 34), "POST /count_updates.php HTTP/1.0\r\n");
    EXPECT_NE(head.find("\r\nContent-Length: " + std::to_string(form.size()) + "\r\n"), std::string::npos);
    EXPECT_NE(head.find("\r\nHost: 127.0.0.1\r\nContent-Type: application/x-www-form-urlencoded\r\n\r\n"),
              std::string::npos);
    EXPECT_EQ(form.substr(0, 10), "data=<?xml");
    EXPECT_NE(form.find("<Email></Email>\r\n<Password></Password>"), std::string::npos);
    EXPECT_NE(form.find("<Data NumberOfDevices=\"0\">\r\n" + inventory), std::string::npos);
}

TEST(UpdateCount, AnEmptyInventoryPostsADocumentWithoutItems)
{
    LoopbackServer server;
    server.Serve("HTTP/1.0 200 OK\r\n\r\n0");
    ASSERT_EQ(RequestUpdateCount(BaseUrl(server), ""), 0);
    const std::string request = server.Request();
    EXPECT_NE(request.find("<Data NumberOfDevices=\"0\">"), std::string::npos);
    EXPECT_EQ(request.find("<ScanItem"), std::string::npos);
}

TEST(UpdateCount, FailsWhenTheServiceCannotBeReached)
{
    LoopbackServer refused;
    refused.Close();
    EXPECT_EQ(RequestUpdateCount(BaseUrl(refused), "line\r\n"), kUpdateCountFailed);
    EXPECT_EQ(RequestUpdateCount("http://no-such-host.invalid", "line\r\n"), kUpdateCountFailed);
    EXPECT_EQ(RequestUpdateCount("https://127.0.0.1", "line\r\n"), kUpdateCountFailed);
}

TEST(UpdateCount, AReplyLongerThanItsLimitIsAFailedRequest)
{
    const std::string head = "HTTP/1.0 200 OK\r\n\r\n7";
    const struct {
        std::string reply;
        LoopbackServer::Mode mode;
        int32_t count;
    } cases[] = {
        {head + std::string(kCountReplyLimit - head.size(), ' '), LoopbackServer::Mode::ReadsRequest, 7},
        {head + std::string(kCountReplyLimit - head.size() + 1, ' '), LoopbackServer::Mode::ReadsRequest,
         kUpdateCountFailed},
        {head, LoopbackServer::Mode::Floods, kUpdateCountFailed},
    };
    for (const auto& c : cases) {
        LoopbackServer server;
        server.Serve(c.reply, c.mode);
        EXPECT_EQ(RequestUpdateCount(BaseUrl(server), "line\r\n"), c.count) << c.reply.size();
        server.Request();
    }
}

TEST(UpdateCount, AReplyCutOffBeforeItsBodyCountsZero)
{
    LoopbackServer server;
    server.Serve("", LoopbackServer::Mode::ClosesAtOnce);
    EXPECT_EQ(RequestUpdateCount(BaseUrl(server), "line\r\n"), 0);
    server.Request();
}

}  // namespace
