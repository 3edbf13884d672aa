#pragma once
// The service's HTTP/1.1 server. One thread waits on every connection with epoll and reads
// requests without blocking, so that slow or idle clients hold no thread; complete requests go
// to a pool of handler threads, which usually send the reply at once; what the socket does not
// take at once is sent by the waiting thread. Every stage has a limit, so that no client can
// hold the service: the size of a head and of a body, the memory of all bodies being received,
// the time from a request's first byte to its last, the wait for a handler, the idle time and
// request count of a keep-alive connection, a reply that makes no progress, and the number of
// connections, in all and from one client address.
#include "http_request.h"
#include "http_response.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

struct HttpLimits {
    size_t maxHeadBytes = size_t{8} * 1024;
    size_t maxBodyBytes = size_t{1024} * 1024;
    // From the first byte of a request to its last; a client that is slower gets 408.
    std::chrono::milliseconds requestDeadline{30000};
    // From a complete request to the start of its handling; a request that waited longer gets 503.
    std::chrono::milliseconds handlingDeadline{10000};
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
    unsigned handlerThreads = 0;  // 0: one per core, at least 2
};

class HttpServer {
public:
    using Handler = std::function<void(const HttpRequest&, HttpResponse&)>;
    // The reply to a request that the server refuses itself (400, 408, 413, 431, 503, ...);
    // target is empty when the request line was not read.
    using Refusal = std::function<void(const std::string& target, int status, HttpResponse&)>;

    HttpServer(Handler handler, Refusal refusal, HttpLimits limits);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Port 0 picks a free port. A port in use is an error.
    bool Listen(const std::string& host, int port, std::string& error);
    int Port() const { return port_; }
    // Serves until Stop. Requests under way are answered (within stopGrace) before it returns.
    void Run();
    // From any thread; returns at once.
    void Stop();

private:
    class Loop;
    Handler handler_;
    Refusal refusal_;
    HttpLimits limits_;
    int listener_ = -1;
    int port_ = -1;
    int wakeup_ = -1;  // eventfd that interrupts the wait
    std::atomic<bool> stopping_{false};
};
