#pragma once
// The service's HTTP/1.1 server: one event loop per core, all waiting on one listening socket.
// A loop accepts connections, reads their requests without blocking, handles each complete
// request at once and sends the reply; what the socket does not take at once is sent when it
// can take more. Handling in the loop costs no hand-off between threads: a request is answered
// in well under a millisecond, and what is slow (writing scan records, the log) goes to threads
// of its own through queues that never block. Every stage has a limit, so that no client can
// hold the service: the size of a head and of a body, the memory of all bodies being received,
// the time from a request's first byte to its last, the idle time and request count of a
// keep-alive connection, a reply that makes no progress, and the number of connections, in all
// and from one client address; the limits hold for all loops together.
#include "connection_census.h"
#include "http_metrics.h"
#include "http_request.h"
#include "http_response.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct HttpLimits {
    size_t maxHeadBytes = size_t{8} * 1024;
    size_t maxBodyBytes = size_t{1024} * 1024;
    // From the first byte of a request to its last; a client that is slower gets 408.
    std::chrono::milliseconds requestDeadline{30000};
    // How long a connection may wait for its next request (also the first).
    std::chrono::milliseconds idleTimeout{5000};
    // How long a reply may make no progress before the connection is dropped.
    std::chrono::milliseconds writeTimeout{30000};
    // How long a stop waits for requests under way.
    std::chrono::milliseconds stopGrace{5000};
    // Beyond it, of the connections whose request has not completed its head (idle, or in the
    // middle of the head), the one that has waited longest is closed to make room; when there is
    // none, the newcomer gets 503.
    size_t maxConnections = 1000;
    // Connections from one client address, whatever they are doing; beyond it a newcomer from the
    // address gets 503.
    size_t maxConnectionsPerClient = 64;
    // Request bodies being received, all connections together; a request whose body would go
    // beyond it gets 503 before its body is read.
    size_t maxBufferedBodyBytes = size_t{256} * 1024 * 1024;
    size_t maxRequestsPerConnection = 1000;
    unsigned loops = 0;  // 0: one per core
};

class HttpServer {
public:
    using Handler = std::function<void(const HttpRequest&, HttpResponse&)>;
    // The reply to a request that the server refuses itself (400, 408, 413, 431, 503, ...);
    // target is empty when the request line was not read.
    using Refusal = std::function<void(const std::string& target, int status, HttpResponse&)>;

    // Requests to countedTargets are counted apart in Metrics(), the rest together.
    HttpServer(Handler handler, Refusal refusal, HttpLimits limits, std::vector<std::string> countedTargets = {});
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Port 0 picks a free port. A port in use is an error.
    bool Listen(const std::string& host, int port, std::string& error);
    int Port() const { return port_; }
    // Serves until Stop, on this thread and one more per further loop. Requests under way are
    // answered (within stopGrace) before it returns.
    void Run();
    // From any thread; returns at once. New connections are refused from now on.
    void Stop();

    const HttpMetrics& Metrics() const { return *metrics_; }
    size_t OpenConnections() { return census_.Count(); }
    // How long ago the loop that turned least recently last turned (a loop turns at least every
    // 100 ms while it runs); zero before Run, the time since the end once Run returned.
    std::chrono::nanoseconds LongestPause() const;
    bool Running() const { return running_; }

private:
    class Loop;
    friend class Loop;

    Handler handler_;
    Refusal refusal_;
    HttpLimits limits_;
    std::unique_ptr<HttpMetrics> metrics_;
    ConnectionCensus census_;
    std::atomic<size_t> bodyBudgetTaken_{0};
    int listener_ = -1;
    int port_ = -1;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> running_{false};
    std::vector<std::unique_ptr<Loop>> loops_;
};
