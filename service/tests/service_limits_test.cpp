// The service's limits, seen from clients on raw connections: clients that are slow, idle,
// oversized or malformed do not keep others from a prompt answer and are cut off themselves,
// and so are many connections that hold half-sent heads; a refused request whose body was not
// read ends its connection; the engine's HTTP/1.0 request is answered and closed; replies
// follow HTTP's rules. The limits are short here; the bounds the tests wait for are long, so
// that a busy machine does not fail them.
#include "raw_connection.h"
#include "scan_documents.h"
#include "test_service.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

// Far above what the service needs on any machine, far below how long the abusive clients
// would keep their connections if the service let them.
constexpr seconds kPrompt(10);
constexpr seconds kPatience(30);

HttpLimits ShortLimits()
{
    HttpLimits limits;
    limits.requestDeadline = seconds(2);
    limits.idleTimeout = seconds(1);
    return limits;
}

std::string CountRequest(const char* version = "HTTP/1.1", const char* extraFields = "")
{
    const std::string body = "data=" + WholeDocument(SamplePcInventory());
    return "POST /count_updates.php " + std::string(version) + "\r\nHost: 127.0.0.1\r\n" + extraFields +
           "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\n\r\n" + body;
}

// Sends text a byte at a time, every 100 ms, until the server closes or the time is up.
void Trickle(RawConnection& connection, const std::string& text)
{
    const auto end = std::chrono::steady_clock::now() + kPatience;
    for (size_t i = 0; std::chrono::steady_clock::now() < end; i = (i + 1) % text.size()) {
        if (!connection.Send(text.substr(i, 1)) || connection.ReadUntilClosed(milliseconds(100)))
            return;
    }
}

// What an abusive client does; afterwards it waits for the server to close the connection.
struct Abuse {
    const char* name;
    std::function<void(RawConnection&)> behave;
    const char* replyStart;  // how the server's answer to the abuser begins; "" for none
    const char* replyHolds;  // a part of that answer
};

const Abuse kAbuses[] = {
    {"slow header",
     [](RawConnection& c) {
         c.Send("POST /count_updates.php HTTP/1.1\r\nHost: x\r\n");
         Trickle(c, "X-Slow: more\r\n");
     },
     "HTTP/1.1 408", "\r\n\r\nError: The request did not arrive in time."},
    {"slow body",
     [](RawConnection& c) {
         c.Send("POST /count_updates.php HTTP/1.1\r\nHost: x\r\nContent-Length: 100000\r\n\r\ndata=");
         Trickle(c, "<ScanItem");
     },
     "HTTP/1.1 408", "\r\n\r\nError: "},
    {"idle keep-alive", [](RawConnection& c) { c.Send(CountRequest()); }, "HTTP/1.1 200", "\r\n\r\n5"},
    {"connected, silent", [](RawConnection&) {}, "", ""},
    {"oversized document",
     [](RawConnection& c) {
         c.Send("POST /count_updates.php HTTP/1.1\r\nHost: x\r\nContent-Length: 50000000\r\n\r\ndata=");
         const std::string block(size_t{64} * 1024, 'x');
         while (c.Send(block) && !c.ReadUntil("HTTP/1.1", milliseconds(1))) {
         }
     },
     "HTTP/1.1 413", "\r\nConnection: close\r\n"},
};

TEST(ServiceLimits, AbusiveClientsDoNotDelayOthersAndAreCutOff)
{
    // More abusers than event loops, and than the thread pool of a thread-per-connection
    // server.
    constexpr int kAbusers = 24;
    for (const Abuse& abuse : kAbuses) {
        TestServiceOptions options;
        options.limits = ShortLimits();
        TestService service(options);
        ASSERT_TRUE(service.Started());
        std::vector<std::unique_ptr<RawConnection>> abusers;
        std::vector<std::thread> threads;
        for (int i = 0; i < kAbusers; ++i) {
            abusers.push_back(std::make_unique<RawConnection>(service.Port()));
            ASSERT_TRUE(abusers.back()->Connected()) << abuse.name;
            threads.emplace_back([&abuse, connection = abusers.back().get()] {
                abuse.behave(*connection);
                connection->ReadUntilClosed(kPatience);
            });
        }
        std::this_thread::sleep_for(milliseconds(300));  // the abusers are under way

        const auto start = std::chrono::steady_clock::now();
        RawConnection normal(service.Port());
        ASSERT_TRUE(normal.Send(CountRequest()));
        EXPECT_TRUE(normal.ReadUntil("\r\n\r\n5", kPrompt)) << abuse.name << ": " << normal.Received();
        EXPECT_LT(std::chrono::steady_clock::now() - start, kPrompt) << abuse.name;

        for (std::thread& thread : threads)
            thread.join();
        for (auto& abuser : abusers) {
            EXPECT_TRUE(abuser->Closed()) << abuse.name << ": the service kept the connection";
            EXPECT_EQ(abuser->Received().substr(0, std::string(abuse.replyStart).size()), abuse.replyStart)
                << abuse.name << ": " << abuser->Received().substr(0, 80);
            EXPECT_NE(abuser->Received().find(abuse.replyHolds), std::string::npos)
                << abuse.name << ": " << abuser->Received();
        }
    }
}

TEST(ServiceLimits, MakesRoomForNewcomersAndRefusesBeyondTheLimit)
{
    TestServiceOptions options;
    options.limits.maxConnections = 8;
    options.limits.idleTimeout = seconds(60);
    TestService service(options);
    ASSERT_TRUE(service.Started());
    std::vector<std::unique_ptr<RawConnection>> idle;
    idle.reserve(8);
    for (int i = 0; i < 8; ++i)
        idle.push_back(std::make_unique<RawConnection>(service.Port()));
    std::this_thread::sleep_for(milliseconds(300));

    // A connection waiting for its next request gives way.
    RawConnection newcomer(service.Port());
    ASSERT_TRUE(newcomer.Send(CountRequest()));
    EXPECT_TRUE(newcomer.ReadUntil("\r\n\r\n5", kPrompt)) << newcomer.Received();
    size_t closed = 0;
    for (auto end = std::chrono::steady_clock::now() + kPrompt;
         closed == 0 && std::chrono::steady_clock::now() < end;) {
        for (auto& connection : idle)
            closed += connection->ReadUntilClosed(milliseconds(1)) ? 1 : 0;
    }
    EXPECT_EQ(closed, 1u);

    // Connections in the middle of a request do not give way: the next one is refused.
    std::vector<std::unique_ptr<RawConnection>> busy;
    for (int i = 0; i < 8; ++i) {
        busy.push_back(std::make_unique<RawConnection>(service.Port()));
        busy.back()->Send("POST /count_updates.php HTTP/1.1\r\nHost: x\r\nContent-Length: 100\r\n\r\n");
        std::this_thread::sleep_for(milliseconds(50));
    }
    std::this_thread::sleep_for(milliseconds(300));
    RawConnection refused(service.Port());
    EXPECT_TRUE(refused.ReadUntilClosed(kPrompt));
    EXPECT_EQ(refused.Received().substr(0, 12), "HTTP/1.1 503") << refused.Received();
}

// Connections that each sent one byte of a head and then wait, as many as the service takes and
// more: they neither keep a normal client out nor delay it until they time out.
TEST(ServiceLimits, HalfSentHeadsKeepNoOneOut)
{
    const struct {
        const char* name;
        int addresses;
        size_t perAddress;
        size_t maxConnections;
        size_t kept;  // of them, open while the normal client is served
    } cases[] = {
        // The limit per client address refuses all but 64 of them at once.
        {"1,000 from one address", 1, 1000, 1000, 64},
        // Each newcomer closes the one that has waited longest for its head.
        {"from several addresses, more than the service takes", 4, 60, 200, 199},
    };
    for (const auto& c : cases) {
        TestServiceOptions options;
        options.limits.maxConnections = c.maxConnections;
        options.limits.requestDeadline = std::chrono::minutes(5);  // they would hold on this long
        options.limits.stopGrace = milliseconds(100);
        TestService service(options);
        ASSERT_TRUE(service.Started());
        std::vector<std::unique_ptr<RawConnection>> heads;
        for (int address = 0; address < c.addresses; ++address) {
            const std::string from = "127.0.0." + std::to_string(10 + address);
            for (size_t i = 0; i < c.perAddress; ++i) {
                heads.push_back(std::make_unique<RawConnection>(service.Port(), from.c_str()));
                ASSERT_TRUE(heads.back()->Connected() && heads.back()->Send("P")) << c.name;
            }
        }
        // Those the service does not keep are closed at once.
        auto openHeads = [&] {
            size_t open = 0;
            for (auto& head : heads)
                open += head->ReadUntilClosed(milliseconds(0)) ? 0 : 1;
            return open;
        };
        const size_t taken = std::min(c.perAddress, size_t{64}) * static_cast<size_t>(c.addresses);
        const size_t expectedOpen = std::min(taken, c.maxConnections);
        for (auto end = std::chrono::steady_clock::now() + kPatience;
             openHeads() > expectedOpen && std::chrono::steady_clock::now() < end;)
            std::this_thread::sleep_for(milliseconds(20));
        ASSERT_EQ(openHeads(), expectedOpen) << c.name;

        // The normal client's counts, one after the other on one connection.
        RawConnection normal(service.Port(), "127.0.0.2");
        milliseconds slowest(0);
        for (size_t replies = 1; replies <= 20; ++replies) {
            const auto start = std::chrono::steady_clock::now();
            ASSERT_TRUE(normal.Send(CountRequest())) << c.name;
            ASSERT_TRUE(normal.ReadUntil(
                [&](const std::string& received) {
                    return ReplyCount(received) == replies &&
                           received.compare(received.size() - 5, 5, "\r\n\r\n5") == 0;
                },
                kPrompt))
                << c.name << ": " << normal.Received().substr(0, 200);
            slowest =
                std::max(slowest, std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - start));
        }
        // They were answered while the heads stayed open, not once these timed out.
        EXPECT_EQ(openHeads(), c.kept) << c.name;
        RecordProperty(std::string(c.name) + ": slowest answer (ms)", static_cast<int>(slowest.count()));
    }
}

TEST(ServiceLimits, ARefusalBeforeTheBodyEndsTheConnection)
{
    // Each refused request is followed by another one on the same connection: had the service
    // kept the connection, the unread rest would have been taken for a request.
    const struct {
        const char* name;
        std::string request;
        const char* status;
    } cases[] = {
        {"body over the limit",
         "POST /count_updates.php HTTP/1.1\r\nHost: x\r\nContent-Length: 2000000\r\n\r\ndata=" + std::string(1000, 'x'),
         "413"},
        {"chunked body",
         "POST /count_updates.php HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n5\r\ndata=\r\n0\r\n\r\n",
         "411"},
        {"head over the limit", "GET /help.php HTTP/1.1\r\nHost: x\r\nX-Big: " + std::string(9000, 'a') + "\r\n\r\n",
         "431"},
        {"malformed head", "POST /count_updates.php HTTP/1.1\r\nHost: x\r\nContent-Length: 12, 13\r\n\r\n", "400"},
        {"unsupported version", "GET /help.php HTTP/2.0\r\n\r\n", "505"},
    };
    TestService service;
    for (const auto& c : cases) {
        RawConnection connection(service.Port());
        ASSERT_TRUE(connection.Send(c.request + "GET /help.php HTTP/1.1\r\nHost: x\r\n\r\n")) << c.name;
        EXPECT_TRUE(connection.ReadUntilClosed(kPrompt)) << c.name;
        const std::string& reply = connection.Received();
        EXPECT_EQ(reply.substr(0, 12), std::string("HTTP/1.1 ") + c.status) << c.name << ": " << reply;
        EXPECT_NE(reply.find("\r\nConnection: close\r\n"), std::string::npos) << c.name;
        EXPECT_EQ(ReplyCount(reply), 1u) << c.name;
    }
}

TEST(ServiceLimits, KeepsConnectionsWithinTheirLimits)
{
    TestServiceOptions options;
    options.limits.maxRequestsPerConnection = 3;
    TestService service(options);
    ASSERT_TRUE(service.Started());
    const std::string refused = "POST /count_updates.php HTTP/1.1\r\nHost: x\r\nContent-Length: 5\r\n\r\nhello";
    const std::string page = "GET /help.php HTTP/1.1\r\nHost: x\r\n\r\n";

    // A request refused after its body was read leaves the connection usable; the third reply
    // is the last of the connection.
    RawConnection pipelined(service.Port());
    ASSERT_TRUE(pipelined.Send(refused + page + CountRequest() + page));
    EXPECT_TRUE(pipelined.ReadUntilClosed(kPrompt));
    const std::string& replies = pipelined.Received();
    EXPECT_EQ(ReplyCount(replies), 3u) << replies;
    EXPECT_EQ(replies.substr(0, 12), "HTTP/1.1 400");
    EXPECT_NE(replies.find("\r\n\r\n5"), std::string::npos);
    EXPECT_NE(replies.find("Connection: close", replies.rfind("HTTP/1.1 ")), std::string::npos);

    // The update count as the engine asks for it (HTTP/1.0, read until the server closes).
    RawConnection engine(service.Port());
    ASSERT_TRUE(engine.Send(
        CountRequest("HTTP/1.0",
                     "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/vnd.ms-excel, "
                     "application/msword, application/vnd.ms-powerpoint, */*\r\nAccept-Language: en-us\r\n"
                     "Accept-Encoding: gzip, deflate\r\nUser-Agent: Mozilla/4.0\r\n")));
    EXPECT_TRUE(engine.ReadUntilClosed(kPrompt));
    EXPECT_EQ(engine.Received().substr(engine.Received().size() - 5), "\r\n\r\n5") << engine.Received();

    // A client that waits for the go-ahead before sending its body.
    RawConnection careful(service.Port());
    const std::string request = CountRequest("HTTP/1.1", "Expect: 100-continue\r\n");
    const size_t headEnd = request.find("\r\n\r\n") + 4;
    ASSERT_TRUE(careful.Send(request.substr(0, headEnd)));
    EXPECT_TRUE(careful.ReadUntil("HTTP/1.1 100 Continue\r\n\r\n", kPrompt));
    ASSERT_TRUE(careful.Send(request.substr(headEnd)));
    EXPECT_TRUE(careful.ReadUntil("\r\n\r\n5", kPrompt)) << careful.Received();
}

// Each request alone on a connection that ends after its one reply; what is sent second follows
// the first after a pause.
TEST(ServiceLimits, AnswersAsHttpAsks)
{
    const std::string expecting = CountRequest("HTTP/1.0", "Expect: 100-continue\r\n");
    const size_t expectingHead = expecting.find("\r\n\r\n") + 4;
    const struct {
        const char* name;
        std::string first;
        std::string second;
        const char* status;
        bool body;  // whether the reply carries its body
    } cases[] = {
        {"HEAD refused before its head ends", "HEAD /help.php HTTP/1.1\r\nHost: x\r\nX: " + std::string(9000, 'a'), "",
         "431", false},
        {"HEAD refused before its body", "HEAD /help.php HTTP/1.1\r\nHost: x\r\nContent-Length: 2000000\r\n\r\n", "",
         "413", false},
        {"method HTTP does not define", "BREW /help.php HTTP/1.1\r\nHost: x\r\n\r\n", "", "501", true},
        {"request line too long", "GET /" + std::string(9000, 'a') + " HTTP/1.1\r\n", "", "414", true},
        {"HTTP/1.1 without Host", "GET /help.php HTTP/1.1\r\n\r\n", "", "400", true},
        // The interim reply would be taken for the reply.
        {"HTTP/1.0 client that expects 100-continue", expecting.substr(0, expectingHead),
         expecting.substr(expectingHead), "200", true},
        // An old browser's line end after a posted body is no request: the connection waits for
        // one and ends at its idle timeout, without a 408.
        {"line end after the body", CountRequest(), "\r\n", "200", true},
    };
    TestServiceOptions options;
    options.limits = ShortLimits();
    TestService service(options);
    ASSERT_TRUE(service.Started());
    for (const auto& c : cases) {
        RawConnection connection(service.Port());
        ASSERT_TRUE(connection.Send(c.first)) << c.name;
        if (!c.second.empty()) {
            std::this_thread::sleep_for(milliseconds(300));
            ASSERT_TRUE(connection.Send(c.second)) << c.name;
        }
        EXPECT_TRUE(connection.ReadUntilClosed(kPatience)) << c.name;
        const std::string& reply = connection.Received();
        EXPECT_EQ(reply.substr(0, 12), std::string("HTTP/1.1 ") + c.status) << c.name << ": " << reply.substr(0, 200);
        EXPECT_EQ(ReplyCount(reply), 1u) << c.name << ": " << reply.substr(0, 400);
        const size_t date = reply.find("\r\nDate: ");
        EXPECT_TRUE(date != std::string::npos && reply.compare(date + 33, 6, " GMT\r\n") == 0)
            << c.name << ": " << reply;
        const size_t headEnd = reply.find("\r\n\r\n");
        const size_t length = std::stoul(reply.substr(reply.find("Content-Length: ") + 16));
        EXPECT_GT(length, 0u) << c.name;
        EXPECT_EQ(reply.size() - headEnd - 4, c.body ? length : 0) << c.name;
    }
}

}  // namespace
