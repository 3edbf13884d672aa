// GetNumUpdates against a server of the test's own on the port this build of the library uses.
// Sockets first: the server's header must come before windows.h.
#include "loopback_server.h"
#include "engine_fixture.h"

#include <psapi.h>

#include <cstdio>

#include <gtest/gtest.h>

namespace {

constexpr int kServicePort = KORVALA_COUNT_TEST_PORT;
// What the process may grow by against a server that sends without end: a few replies of at
// most 64 KB, with room for the system's own caches. Unbounded, such a server took 580 MB.
constexpr SIZE_T kMemoryGrowthBound = 16 * 1024 * 1024;

// The most memory the process has held in RAM so far.
SIZE_T PeakWorkingSet()
{
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    return GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory) ? memory.PeakWorkingSetSize : 0;
}

// Runs GetNumUpdates against the server; the count, and the time it took and the growth of the
// peak working set on the side.
int CountAgainst(IKVEngine* engine, DWORD& elapsedMs, SIZE_T& peakGrowth)
{
    SIZE_T peakBefore = PeakWorkingSet();
    EXPECT_GT(peakBefore, 0u);
    DWORD start = GetTickCount();
    int count = 99;
    EXPECT_EQ(engine->GetNumUpdates(&count), S_OK);
    elapsedMs = GetTickCount() - start;
    SIZE_T peakAfter = PeakWorkingSet();
    peakGrowth = peakAfter - peakBefore;
    std::printf("GetNumUpdates: %d after %lu ms; peak working set %lu KB before, %lu KB after\n", count,
                static_cast<unsigned long>(elapsedMs), static_cast<unsigned long>(peakBefore / 1024),
                static_cast<unsigned long>(peakAfter / 1024));
    return count;
}

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
        ASSERT_EQ(server.Port(), kServicePort) << PortInUse(kServicePort);
        server.Serve(c.reply);
        int count = 99;
        EXPECT_EQ(engine_->GetNumUpdates(&count), S_OK);
        EXPECT_EQ(count, c.count) << c.reply;
        std::string request = server.Request();
        EXPECT_EQ(request.rfind("POST /count_updates.php HTTP/1.0\r\n", 0), 0u) << request;
        EXPECT_NE(request.find("\r\n\r\ndata=<?xml"), std::string::npos);
    }
}

TEST_F(EngineUpdateCount, RefusedConnectionGivesMinusOneWithoutWaiting)
{
    // Nothing listens on the port: every attempt fails at once.
    DWORD start = GetTickCount();
    int count = 99;
    EXPECT_EQ(engine_->GetNumUpdates(&count), S_OK);
    EXPECT_EQ(count, -1);
    EXPECT_LT(GetTickCount() - start, 10000u);
    EXPECT_EQ(engine_->GetNumUpdates(nullptr), E_POINTER);
}

TEST_F(EngineUpdateCount, RepliesWithoutEndGiveMinusOneWithinTheirBound)
{
    struct Case {
        LoopbackServer::Mode mode;
        int attempts;
        DWORD leastMs, mostMs;
    } const cases[] = {
        // Each reply floods: an attempt fails once it has read 64 KB, and the next one starts at
        // once; five are made (a sixth would be counted too). An attempt that waited for its
        // time-out would end the request after one connection, so the count shows that the cap
        // ended each one; the time is bounded by the documented waits of five attempts.
        {LoopbackServer::Mode::Floods, 5, 0, 5 * 10000},
        // A byte every 100 ms never reaches 64 KB: the one attempt times out after 10 s.
        {LoopbackServer::Mode::Trickles, 1, 9900, 15000},
    };
    for (const Case& c : cases) {
        LoopbackServer server(kServicePort);
        ASSERT_EQ(server.Port(), kServicePort) << PortInUse(kServicePort);
        server.Serve("HTTP/1.0 200 OK\r\n\r\n", c.mode, 6);
        DWORD elapsed = 0;
        SIZE_T peakGrowth = 0;
        EXPECT_EQ(CountAgainst(engine_, elapsed, peakGrowth), -1) << c.attempts;
        EXPECT_EQ(server.Connections(), c.attempts);
        EXPECT_GE(elapsed, c.leastMs);
        EXPECT_LT(elapsed, c.mostMs);
        EXPECT_LT(peakGrowth, kMemoryGrowthBound);
    }
}

TEST_F(EngineUpdateCount, SilentServiceGivesMinusOneAfterOneTenSecondWait)
{
    // The connection is queued but never answered: the worker waits until it is killed.
    LoopbackServer server(kServicePort);
    ASSERT_EQ(server.Port(), kServicePort) << PortInUse(kServicePort);
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
