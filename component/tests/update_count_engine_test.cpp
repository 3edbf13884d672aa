// GetNumUpdates against a server of the test's own on the port this build of the library uses.
// Sockets first: the server's header must come before windows.h.
#include "loopback_server.h"
#include "engine_fixture.h"

#include <gtest/gtest.h>

namespace {

constexpr int kServicePort = KORVALA_COUNT_TEST_PORT;

using EngineUpdateCount = EngineTest;

TEST_F(EngineUpdateCount, ServiceAnswerIsTheCount)
{
    struct Case {
        const char* reply;
        int count;
    } const cases[] = {
        {"HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n12", 12},
        {"HTTP/1.0 200 OK\r\n\r\n-3 updates", -3},
        {"HTTP/1.0 500 Oops\r\n\r\n<html>error</html>", 0},
    };
    for (const Case& c : cases) {
        LoopbackServer server(kServicePort);
        ASSERT_EQ(server.Port(), kServicePort);
        server.Serve(c.reply);
        int count = 99;
        EXPECT_EQ(engine_->GetNumUpdates(&count), S_OK);
        EXPECT_EQ(count, c.count) << c.reply;
        std::string request = server.Request();
        EXPECT_EQ(request.rfind("POST /count_updates.php HTTP/1.0\r\n", 0), 0u) << request;
        EXPECT_NE(request.find("\r\n\r\ndata=<?xml"), std::string::npos);
    }
}

TEST_F(EngineUpdateCount, RefusedConnectionGivesMinusOneAfterFiveQuickAttempts)
{
    // Nothing listens on the port: every attempt fails at once.
    DWORD start = GetTickCount();
    int count = 99;
    EXPECT_EQ(engine_->GetNumUpdates(&count), S_OK);
    EXPECT_EQ(count, -1);
    EXPECT_LT(GetTickCount() - start, 10000u);
    EXPECT_EQ(engine_->GetNumUpdates(nullptr), E_POINTER);
}

TEST_F(EngineUpdateCount, SilentServiceGivesMinusOneAfterOneTenSecondWait)
{
    // The connection is queued but never answered: the worker waits until it is killed.
    LoopbackServer server(kServicePort);
    DWORD start = GetTickCount();
    int count = 99;
    EXPECT_EQ(engine_->GetNumUpdates(&count), S_OK);
    DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(count, -1);
    EXPECT_GE(elapsed, 9900u);
    EXPECT_LT(elapsed, 15000u);  // one attempt, not five
    EXPECT_TRUE(server.HasPendingConnection());
}

TEST_F(EngineUpdateCount, RestorePointFailsWhereSystemRestoreRefuses)
{
    // Wine's System Restore refuses every point.
    int result = -1;
    EXPECT_EQ(engine_->CreateSRP(&result), S_OK);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(engine_->CreateSRP(nullptr), E_POINTER);
}

}  // namespace
