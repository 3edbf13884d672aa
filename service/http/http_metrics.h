#pragma once
// What the HTTP server counts for operators: requests by target and status with their latency,
// bytes in and out, and what each limit refused. Every loop of the server counts into a block of
// its own, so counting takes no lock and shares no cache line; a scrape adds the blocks up.
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A counter with one writer, the loop that owns it; readers on other threads may lag a little.
class LoopCounter {
public:
    void Add(uint64_t amount = 1)
    {
        value_.store(value_.load(std::memory_order_relaxed) + amount, std::memory_order_relaxed);
    }
    uint64_t Get() const { return value_.load(std::memory_order_relaxed); }

private:
    std::atomic<uint64_t> value_{0};
};

// The limits that refuse a connection or a request, or close a connection, in the order of
// HttpMetrics::kLimitNames.
enum class Limit {
    ClientConnections,  // a newcomer from an address that holds its share
    Connections,        // a newcomer while the service is full and no connection waits
    RequestBuffers,     // a body beyond what is left of the budget for bodies being received
    HeadSize,           // a head (or request line) over its size, 431 or 414
    BodySize,           // a body over the largest a request may have, 413
    RequestDeadline,    // a request that did not arrive in time, 408
    ReplyStalled,       // a reply that made no progress
    Count
};

class HttpMetrics {
public:
    static constexpr std::array<const char*, static_cast<size_t>(Limit::Count)> kLimitNames = {
        "client_connections", "connections",      "request_buffers", "head_size",
        "body_size",          "request_deadline", "reply_stalled"};
    // The statuses the server sends; another one is counted as the last, "other".
    static constexpr std::array<int, 17> kStatuses = {100, 200, 400, 404, 405, 408, 411, 413, 414,
                                                      415, 417, 431, 500, 501, 503, 505, 0};
    // Upper bounds of the latency buckets, in seconds; the last bucket is +Inf.
    static constexpr std::array<double, 12> kLatencyBounds = {0.0001, 0.00025, 0.0005, 0.001, 0.0025, 0.005,
                                                              0.01,   0.025,   0.05,   0.1,   0.25,   1.0};

    // targets: the request targets counted apart; requests to any other target count as "other".
    HttpMetrics(std::vector<std::string> targets, unsigned loops);

    // A block of counters for one loop.
    class Loop {
    public:
        explicit Loop(size_t targets);
        // A request answered or refused with status; target is an index from TargetIndex.
        void Request(size_t target, int status);
        // A request that was handled took latency from its last byte to its reply.
        void Handled(size_t target, std::chrono::nanoseconds latency);
        void Refused(Limit limit) { refused_[static_cast<size_t>(limit)].Add(); }
        void Evicted() { evicted_.Add(); }
        void Received(size_t bytes) { received_.Add(bytes); }
        void Sent(size_t bytes) { sent_.Add(bytes); }

    private:
        friend class HttpMetrics;
        std::vector<LoopCounter> requests_;            // [target][status]
        std::vector<LoopCounter> latency_;             // [target][bucket], not cumulative
        std::vector<LoopCounter> latencyNanoseconds_;  // [target]
        std::array<LoopCounter, static_cast<size_t>(Limit::Count)> refused_;
        LoopCounter evicted_, received_, sent_;
    };

    Loop& OfLoop(unsigned loop) { return *loops_[loop]; }
    // The index under which a request to target is counted.
    size_t TargetIndex(std::string_view target) const;
    // The index of a status in kStatuses (the last, "other", for one that is not there).
    static size_t StatusIndex(int status);

    // The sums over the loops.
    struct Totals {
        std::vector<std::string> targets;      // with "other" last
        std::vector<uint64_t> requests;        // [target][status], statuses as in kStatuses
        std::vector<uint64_t> latencyBuckets;  // [target][bucket], cumulative, +Inf last
        std::vector<double> latencySeconds;    // [target]
        std::array<uint64_t, static_cast<size_t>(Limit::Count)> refused{};
        uint64_t evicted = 0, received = 0, sent = 0;
    };
    Totals Sum() const;

private:
    std::vector<std::string> targets_;
    std::vector<std::unique_ptr<Loop>> loops_;
};
