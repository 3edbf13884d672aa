// Request heads as clients send them, and the heads the service must refuse before it reads a
// body whose end it could not know.
#include "http_request_head.h"

#include <gtest/gtest.h>

namespace {

constexpr size_t kMaxHead = 8192;

TEST(HttpRequestHead, ReadsWhatFramesTheRequest)
{
    const struct {
        const char* name;
        std::string head;
        std::string rest;  // body bytes that arrived with the head
        bool complete;
        const char* target;
        size_t contentLength;
        bool keepAlive;
    } cases[] = {
        {"HTTP/1.1 default", "GET /help.php HTTP/1.1\r\nHost: x\r\n\r\n", "", true, "/help.php", 0, true},
        {"engine's HTTP/1.0 post",
         "POST /count_updates.php HTTP/1.0\r\nAccept: */*\r\nContent-Length: 12\r\nHost: 127.0.0.1\r\n"
         "Content-Type: application/x-www-form-urlencoded\r\n\r\n",
         "data=<?xml ?", true, "/count_updates.php", 12, false},
        {"HTTP/1.0 keep-alive", "GET / HTTP/1.0\r\nConnection: Keep-Alive\r\n\r\n", "", true, "/", 0, true},
        {"close among options", "GET / HTTP/1.1\r\nHost: x\r\nConnection: TE, close\r\n\r\n", "", true, "/", 0, false},
        {"bare line ends", "GET /a?b=1 HTTP/1.1\nhost:\nContent-Length:  3 \n\n", "xyz", true, "/a?b=1", 3, true},
        {"empty lines before", "\r\n\r\nGET / HTTP/1.1\r\nHost: x\r\n\r\n", "", true, "/", 0, true},
        {"repeated equal length", "POST / HTTP/1.1\r\nHost: x\r\nContent-Length: 4\r\ncontent-length: 4\r\n\r\n",
         "abcd", true, "/", 4, true},
        {"defined method not taken here", "DELETE / HTTP/1.1\r\nHost: x\r\n\r\n", "", true, "/", 0, true},
        {"incomplete", "POST /count_updates.php HTTP/1.1\r\nContent-Len", "", false, "", 0, true},
        {"nothing yet", "", "", false, "", 0, true},
    };
    for (const auto& c : cases) {
        const std::string received = c.head + c.rest;
        RequestHead head;
        HeadReading reading = ReadRequestHead(received, kMaxHead, head);
        if (!c.complete) {
            EXPECT_EQ(reading.status, HeadStatus::Incomplete) << c.name;
            continue;
        }
        ASSERT_EQ(reading.status, HeadStatus::Complete) << c.name;
        EXPECT_EQ(reading.length, c.head.size()) << c.name;
        EXPECT_EQ(head.target, c.target) << c.name;
        EXPECT_EQ(head.contentLength, c.contentLength) << c.name;
        EXPECT_EQ(head.keepAlive, c.keepAlive) << c.name;

        // A byte at a time, each reading searching on from where the last one stopped.
        HeadReading piece;
        for (size_t length = 1; length <= received.size() && piece.status == HeadStatus::Incomplete; ++length) {
            piece = ReadRequestHead(std::string_view(received).substr(0, length), kMaxHead, head, piece.searched);
        }
        EXPECT_EQ(piece.status, HeadStatus::Complete) << c.name;
        EXPECT_EQ(piece.length, c.head.size()) << c.name;
    }
}

TEST(HttpRequestHead, RefusesWhatItCannotFrame)
{
    const struct {
        const char* name;
        std::string text;
        int status;
    } cases[] = {
        {"no version", "GET /\r\n\r\n", 400},
        {"HTTP/1.1 without Host", "GET / HTTP/1.1\r\nX: y\r\n\r\n", 400},
        {"two Host fields", "GET / HTTP/1.0\r\nHost: a\r\nhost: a\r\n\r\n", 400},
        {"method HTTP does not define", "BREW / HTTP/1.1\r\nHost: x\r\n\r\n", 501},
        {"request line too long", "GET /" + std::string(kMaxHead, 'a') + " HTTP/1.1\r\nHost: x\r\n\r\n", 414},
        {"request line too long, unfinished", "GET /" + std::string(kMaxHead, 'a'), 414},
        {"absolute target", "GET http://x/ HTTP/1.1\r\n\r\n", 400},
        {"space in target", "GET /a b HTTP/1.1\r\n\r\n", 400},
        {"control in target", "GET /a\x01 HTTP/1.1\r\n\r\n", 400},
        {"lower-case version", "GET / http/1.1\r\n\r\n", 400},
        {"HTTP/2", "GET / HTTP/2.0\r\n\r\n", 505},
        {"HTTP/1.2", "GET / HTTP/1.2\r\n\r\n", 505},
        {"folded field", "GET / HTTP/1.1\r\nX: a\r\n b\r\n\r\n", 400},
        {"space before colon", "GET / HTTP/1.1\r\nContent-Length : 5\r\n\r\n", 400},
        {"signed length", "POST / HTTP/1.1\r\nContent-Length: +5\r\n\r\n", 400},
        {"length list", "POST / HTTP/1.1\r\nContent-Length: 5, 5\r\n\r\n", 400},
        {"differing lengths", "POST / HTTP/1.1\r\nContent-Length: 5\r\nContent-Length: 6\r\n\r\n", 400},
        {"control in value", "GET / HTTP/1.1\r\nX: a\rb\r\n\r\n", 400},
        {"chunked body", "POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n", 411},
        {"unknown expectation", "POST / HTTP/1.1\r\nExpect: something\r\n\r\n", 417},
        {"head too long", "GET / HTTP/1.1\r\nX: " + std::string(kMaxHead, 'a') + "\r\n\r\n", 431},
        {"head too long, unfinished", "GET / HTTP/1.1\r\nX: " + std::string(kMaxHead, 'a'), 431},
        {"too many fields",
         "GET / HTTP/1.1\r\n" +
             [] {
                 std::string fields;
                 for (int i = 0; i < 101; ++i)
                     fields += "X-" + std::to_string(i) + ": 1\r\n";
                 return fields;
             }() +
             "\r\n",
         431},
    };
    for (const auto& c : cases) {
        RequestHead head;
        HeadReading reading = ReadRequestHead(c.text, kMaxHead, head);
        EXPECT_EQ(reading.status, HeadStatus::Refused) << c.name;
        EXPECT_EQ(reading.refusal, c.status) << c.name;
    }
}

TEST(HttpRequestHead, TellsTheBodysKind)
{
    RequestHead head;
    ASSERT_EQ(
        ReadRequestHead("POST / HTTP/1.1\r\nHost: x\r\nExpect: 100-Continue\r\nContent-Type: Multipart/Form-Data; "
                        "boundary=x\r\nContent-Length: 99999999999999999999999\r\n\r\n",
                        kMaxHead, head)
            .status,
        HeadStatus::Complete);
    EXPECT_TRUE(head.expectsContinue);
    EXPECT_TRUE(head.multipartForm);
    EXPECT_EQ(head.contentLength, std::numeric_limits<size_t>::max());  // too large in any case

    // An HTTP/1.0 client does not know the interim reply and sends its body without it.
    ASSERT_EQ(ReadRequestHead("POST / HTTP/1.0\r\nExpect: 100-continue\r\n\r\n", kMaxHead, head).status,
              HeadStatus::Complete);
    EXPECT_FALSE(head.expectsContinue);
}

TEST(HttpRequestHead, FindsTheRequestLineOfARequestThatNeverCompleted)
{
    const struct {
        const char* received;
        const char* method;
        const char* target;
    } cases[] = {
        {"POST /count_updates.php HTTP/1.1\r\nContent-Le", "POST", "/count_updates.php"},
        {"\r\nHEAD /help.php HTTP/1.0\n", "HEAD", "/help.php"},
        {"POST /count_updates.php HTTP/1.1", "", ""},
        {"POST /count_updates.php\r\n", "", ""},
        {"BREW /pot HTTP/1.1\r\n", "", ""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        const RequestHead line = RequestLineOf(c.received);
        EXPECT_EQ(line.method, c.method) << c.received;
        EXPECT_EQ(line.target, c.target) << c.received;
    }
}

}  // namespace
