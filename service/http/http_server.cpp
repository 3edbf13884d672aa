#include "http_server.h"

#include "http_connection.h"
#include "listen_socket.h"

#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <thread>
#include <unordered_map>

namespace {

constexpr auto kSweepInterval = std::chrono::milliseconds(100);
// How long a closing connection is read after its reply, so that the client receives the reply
// before the close resets the connection.
constexpr auto kLinger = std::chrono::seconds(2);
constexpr auto kAcceptPause = std::chrono::milliseconds(100);
constexpr const char kContinue[] = "HTTP/1.1 100 Continue\r\n\r\n";

int64_t Ticks(SteadyClock::time_point time)
{
    return time.time_since_epoch().count();
}

}  // namespace

// One event loop: the connections it accepted, and what happens to them.
class HttpServer::Loop {
public:
    Loop(HttpServer& server, HttpMetrics::Loop& metrics);
    ~Loop();
    Loop(const Loop&) = delete;
    Loop& operator=(const Loop&) = delete;

    void Run();
    void Wake() const;
    int64_t LastTurn() const { return lastTurn_.load(std::memory_order_relaxed); }
    size_t ConnectionCount() const { return connectionCount_.load(std::memory_order_relaxed); }

private:
    void Accept(SteadyClock::time_point now);
    // The loop that takes new connections now: this one while it holds at most one more than
    // the loop that holds fewest, else that one. Loops take turns, so that the connections of a
    // few clients are not all served by one loop while another idles.
    const Loop& Taker() const;
    // Watches the listening socket while this loop takes connections and may accept.
    void FollowListener(SteadyClock::time_point now);
    void OnEvent(Connection& connection, uint32_t events, SteadyClock::time_point now);
    // Reads the head and body of the request that input holds, and answers it once complete;
    // true when the connection then waits for its next request and input holds more of it.
    bool Advance(Connection& connection, SteadyClock::time_point now);
    // Advance for every request that input holds, as long as each reply goes out at once.
    void Proceed(Connection& connection, SteadyClock::time_point now);
    void Answer(Connection& connection, SteadyClock::time_point now);
    // Answers status and ends the connection; limit is the one that refused the request, if any.
    void Refuse(Connection& connection, int status, std::optional<Limit> limit, SteadyClock::time_point now);
    void SendOut(Connection& connection, IoResult sent, SteadyClock::time_point now);
    void AfterReply(Connection& connection, SteadyClock::time_point now);
    void Sweep(SteadyClock::time_point now);
    void Watch(Connection& connection, unsigned events);
    void WatchListener(bool on);
    void Drop(Connection& connection);
    void DropExpired(Connection& connection, bool stopOver);
    // Answers 503 to a connection that is not taken; its owner closes it.
    void RefuseNewcomer(const Connection& connection, Limit limit);
    bool TakeBodyBudget(Connection& connection);
    void ReturnBodyBudget(Connection& connection);
    void BeginStop(SteadyClock::time_point now);

    HttpServer& server_;
    const HttpLimits& limits_;
    HttpMetrics::Loop& metrics_;
    int epoll_ = -1;
    int wakeup_ = -1;  // eventfd that interrupts the wait
    std::unordered_map<int, std::unique_ptr<Connection>> connections_;
    // Dropped during one round of events and deleted after it, so that no caller is left
    // holding a deleted connection.
    std::vector<std::unique_ptr<Connection>> dropped_;
    bool listenerWatched_ = false;
    SteadyClock::time_point acceptPausedUntil_;
    bool stopBegun_ = false;
    SteadyClock::time_point stopBy_;
    std::atomic<int64_t> lastTurn_{0};
    std::atomic<size_t> connectionCount_{0};
};

HttpServer::Loop::Loop(HttpServer& server, HttpMetrics::Loop& metrics)
    : server_(server), limits_(server.limits_), metrics_(metrics)
{
    epoll_ = epoll_create1(EPOLL_CLOEXEC);
    wakeup_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    epoll_event wake{};
    wake.events = EPOLLIN;
    wake.data.fd = wakeup_;
    epoll_ctl(epoll_, EPOLL_CTL_ADD, wakeup_, &wake);
}

HttpServer::Loop::~Loop()
{
    close(epoll_);
    close(wakeup_);
}

void HttpServer::Loop::Wake() const
{
    uint64_t one = 1;
    [[maybe_unused]] ssize_t written = write(wakeup_, &one, sizeof one);
}

void HttpServer::Loop::Run()
{
    FollowListener(SteadyClock::now());
    SteadyClock::time_point nextSweep = SteadyClock::now() + kSweepInterval;
    epoll_event events[128];
    while (!stopBegun_ || !connections_.empty()) {
        if (server_.stopping_ && !stopBegun_)
            BeginStop(SteadyClock::now());
        auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(nextSweep - SteadyClock::now());
        int count = epoll_wait(epoll_, events, 128, static_cast<int>(std::max<long long>(0, wait.count())));
        SteadyClock::time_point now = SteadyClock::now();
        lastTurn_.store(Ticks(now), std::memory_order_relaxed);
        for (int i = 0; i < count; ++i) {
            int fd = events[i].data.fd;
            if (fd == wakeup_) {
                uint64_t ignored = 0;
                [[maybe_unused]] ssize_t got = read(fd, &ignored, sizeof ignored);
                // Another loop may have left a connection for this one to accept.
                if (listenerWatched_)
                    Accept(now);
            } else if (fd == server_.listener_) {
                Accept(now);
            } else if (auto found = connections_.find(fd); found != connections_.end()) {
                OnEvent(*found->second, events[i].events, now);
            }
        }
        if (now >= nextSweep) {
            Sweep(now);
            nextSweep = now + kSweepInterval;
        }
        dropped_.clear();
        connectionCount_.store(connections_.size(), std::memory_order_relaxed);
        FollowListener(now);
    }
    WatchListener(false);
}

void HttpServer::Loop::Accept(SteadyClock::time_point now)
{
    // A bounded number at a time, so that a flood of connections does not hold the loop.
    for (int accepted = 0; accepted < 64 && !server_.stopping_; ++accepted) {
        if (const Loop& taker = Taker(); &taker != this) {
            // The loop with fewest connections takes the rest; it may not have been woken for them.
            WatchListener(false);
            taker.Wake();
            return;
        }
        sockaddr_storage peer{};
        socklen_t peerLength = sizeof peer;
        int socket =
            accept4(server_.listener_, reinterpret_cast<sockaddr*>(&peer), &peerLength, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (socket < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                // Out of descriptors: waiting connections stay queued until some close.
                WatchListener(false);
                acceptPausedUntil_ = now + kAcceptPause;
            }
            return;
        }
        auto connection = std::make_unique<Connection>(socket, AddressText(peer), metrics_);
        connection->census.StartWaiting(now);
        switch (server_.census_.Admit(connection->census)) {
        case ConnectionCensus::Admission::ClientFull:
            RefuseNewcomer(*connection, Limit::ClientConnections);
            continue;
        case ConnectionCensus::Admission::Full:
            RefuseNewcomer(*connection, Limit::Connections);
            continue;
        case ConnectionCensus::Admission::Evicted:
            metrics_.Evicted();
            break;
        case ConnectionCensus::Admission::Admitted:
            break;
        }
        connection->idleSince = now;
        connection->deadline = now + limits_.idleTimeout;
        Watch(*connection, EPOLLIN);
        connections_.emplace(socket, std::move(connection));
        connectionCount_.store(connections_.size(), std::memory_order_relaxed);
    }
}

const HttpServer::Loop& HttpServer::Loop::Taker() const
{
    const Loop* fewest = this;
    for (const auto& loop : server_.loops_) {
        if (loop->ConnectionCount() < fewest->ConnectionCount())
            fewest = loop.get();
    }
    return connections_.size() <= fewest->ConnectionCount() + 1 ? *this : *fewest;
}

void HttpServer::Loop::FollowListener(SteadyClock::time_point now)
{
    WatchListener(!stopBegun_ && now >= acceptPausedUntil_ && &Taker() == this);
}

void HttpServer::Loop::OnEvent(Connection& connection, uint32_t events, SteadyClock::time_point now)
{
    switch (connection.state) {
    case ConnectionState::Idle:
    case ConnectionState::Reading: {
        IoResult received = IoResult::Done;
        do {
            // No more of a body than its head announced and the budget granted; of a head, one
            // byte over its limit tells that it is too long. A head that came with the start of
            // its body is read first, then the rest of the body.
            size_t limit =
                connection.headRead ? connection.headLength + connection.head.contentLength : limits_.maxHeadBytes + 1;
            received = connection.Receive(limit);
            if (received == IoResult::Failed)
                return Drop(connection);
            Proceed(connection, now);
        } while (received == IoResult::Done && connection.state == ConnectionState::Reading && connection.headRead);
        // A client that closed its side is answered only when its request is complete.
        if (received == IoResult::Closed && connection.state != ConnectionState::Writing)
            return Drop(connection);
        // The socket is drained and the request not complete: the client may wait for an
        // acknowledgement before it sends the rest.
        if (connection.state == ConnectionState::Reading)
            connection.AcknowledgeAtOnce();
        return;
    }
    case ConnectionState::Writing:
        if (events & (EPOLLOUT | EPOLLERR | EPOLLHUP))
            SendOut(connection, connection.SendReply(), now);
        return;
    case ConnectionState::Closing:
        if (connection.Discard() != IoResult::WouldBlock)
            Drop(connection);
        return;
    }
}

void HttpServer::Loop::Proceed(Connection& connection, SteadyClock::time_point now)
{
    while (Advance(connection, now)) {
    }
}

bool HttpServer::Loop::Advance(Connection& connection, SteadyClock::time_point now)
{
    if (!connection.headRead) {
        if (connection.state == ConnectionState::Idle) {
            // Line ends between requests (old browsers send one after a posted body) are no
            // request: the connection goes on waiting for one.
            connection.input.erase(0, connection.input.find_first_not_of("\r\n"));
            if (connection.input.empty())
                return false;
            connection.state = ConnectionState::Reading;
            connection.deadline = now + limits_.requestDeadline;
        }
        HeadReading reading =
            ReadRequestHead(connection.input, limits_.maxHeadBytes, connection.head, connection.headSearched);
        connection.headSearched = reading.searched;
        if (reading.status == HeadStatus::Incomplete)
            return false;
        if (reading.status == HeadStatus::Refused) {
            const bool tooLarge = reading.refusal == 431 || reading.refusal == 414;
            Refuse(connection, reading.refusal, tooLarge ? std::optional(Limit::HeadSize) : std::nullopt, now);
            return false;
        }
        if (!connection.census.StopWaiting()) {
            Drop(connection);  // closed to make room for a newcomer
            return false;
        }
        connection.headRead = true;
        connection.headLength = reading.length;
        // Refused before reading: the body is left unread, so the connection must close.
        if (connection.head.contentLength > limits_.maxBodyBytes) {
            Refuse(connection, 413, Limit::BodySize, now);
            return false;
        }
        if (!TakeBodyBudget(connection)) {
            Refuse(connection, 503, Limit::RequestBuffers, now);
            return false;
        }
    }
    const size_t requestLength = connection.headLength + connection.head.contentLength;
    if (connection.input.size() < requestLength) {
        if (connection.head.expectsContinue && !connection.continueSent) {
            connection.continueSent = true;
            ssize_t sent = send(connection.socket, kContinue, sizeof kContinue - 1, MSG_NOSIGNAL | MSG_DONTWAIT);
            metrics_.Sent(sent > 0 ? static_cast<size_t>(sent) : 0);
        }
        return false;
    }
    Answer(connection, now);
    return connection.state == ConnectionState::Idle && !connection.input.empty();
}

void HttpServer::Loop::Answer(Connection& connection, SteadyClock::time_point now)
{
    HttpRequest request;
    request.head = std::move(connection.head);
    request.body = std::string_view(connection.input).substr(connection.headLength, request.head.contentLength);
    request.remoteAddress = connection.census.Address();
    connection.headRead = false;
    connection.continueSent = false;
    HttpResponse response;
    try {
        server_.handler_(request, response);
    } catch (const std::exception&) {
        response = HttpResponse();
        server_.refusal_(request.head.target, 500, response);
    }
    response.omitBody = request.head.method == "HEAD";
    ++connection.requestsServed;
    bool keepAlive = request.head.keepAlive && !response.close &&
                     connection.requestsServed < limits_.maxRequestsPerConnection && !server_.stopping_;
    LogRequest(request.remoteAddress, request.head.method, request.head.target, response.status,
               response.omitBody ? 0 : response.BodyLength());
    const size_t target = server_.metrics_->TargetIndex(request.head.target);
    metrics_.Request(target, response.status);
    connection.SetReply(std::move(response), keepAlive);
    connection.TakeOutRequest(connection.headLength + request.head.contentLength);
    ReturnBodyBudget(connection);
    const IoResult sent = connection.SendReply();
    metrics_.Handled(target, SteadyClock::now() - now);
    SendOut(connection, sent, now);
}

void HttpServer::Loop::Refuse(Connection& connection, int status, std::optional<Limit> limit,
                              SteadyClock::time_point now)
{
    if (!connection.census.StopWaiting())
        return Drop(connection);  // closed to make room for a newcomer
    ReturnBodyBudget(connection);
    if (limit)
        metrics_.Refused(*limit);
    const RequestHead line = connection.head.method.empty() ? RequestLineOf(connection.input) : connection.head;
    HttpResponse response;
    server_.refusal_(line.target, status, response);
    response.omitBody = line.method == "HEAD";
    LogRequest(connection.census.Address(), line.method, line.target, status, response.BodyLength());
    metrics_.Request(server_.metrics_->TargetIndex(line.target), status);
    connection.SetReply(std::move(response), false);
    connection.headRead = false;
    SendOut(connection, connection.SendReply(), now);
}

void HttpServer::Loop::SendOut(Connection& connection, IoResult sent, SteadyClock::time_point now)
{
    if (sent == IoResult::Done)
        return AfterReply(connection, now);
    if (sent != IoResult::WouldBlock)
        return Drop(connection);
    if (connection.state != ConnectionState::Writing || connection.ReplyProgressed())
        connection.deadline = now + limits_.writeTimeout;
    connection.state = ConnectionState::Writing;
    Watch(connection, EPOLLOUT);
}

void HttpServer::Loop::AfterReply(Connection& connection, SteadyClock::time_point now)
{
    if (connection.closeAfterReply) {
        shutdown(connection.socket, SHUT_WR);
        connection.state = ConnectionState::Closing;
        connection.deadline = now + kLinger;
        Watch(connection, EPOLLIN);
        return;
    }
    const bool wasWriting = connection.state == ConnectionState::Writing;
    connection.state = ConnectionState::Idle;
    connection.idleSince = now;
    connection.deadline = now + limits_.idleTimeout;
    connection.census.StartWaiting(now);
    Watch(connection, EPOLLIN);
    if (wasWriting)
        Proceed(connection, now);  // requests the client sent before this reply was out
}

void HttpServer::Loop::Sweep(SteadyClock::time_point now)
{
    const bool stopOver = stopBegun_ && now >= stopBy_;
    std::vector<Connection*> expired;
    for (auto& [socket, connection] : connections_) {
        if (now >= connection->deadline || stopOver)
            expired.push_back(connection.get());
    }
    for (Connection* connection : expired) {
        if (connection->state == ConnectionState::Reading && !stopOver)
            Refuse(*connection, 408, Limit::RequestDeadline, now);
        else
            DropExpired(*connection, stopOver);
    }
}

void HttpServer::Loop::Watch(Connection& connection, unsigned events)
{
    if (events == connection.watchedEvents)
        return;
    epoll_event event{};
    event.events = events;
    event.data.fd = connection.socket;
    int operation = events == 0 ? EPOLL_CTL_DEL : connection.watchedEvents == 0 ? EPOLL_CTL_ADD : EPOLL_CTL_MOD;
    epoll_ctl(epoll_, operation, connection.socket, &event);
    connection.watchedEvents = events;
}

void HttpServer::Loop::WatchListener(bool on)
{
    if (on == listenerWatched_ || server_.listener_ < 0)
        return;
    // Every loop waits on the one listening socket; a new connection wakes one of them.
    epoll_event event{};
    event.events = EPOLLIN | EPOLLEXCLUSIVE;
    event.data.fd = server_.listener_;
    epoll_ctl(epoll_, on ? EPOLL_CTL_ADD : EPOLL_CTL_DEL, server_.listener_, &event);
    listenerWatched_ = on;
}

void HttpServer::Loop::Drop(Connection& connection)
{
    auto found = connections_.find(connection.socket);
    if (found == connections_.end())
        return;
    // Closing the socket after this round of events takes it out of the epoll set: no call for it.
    connection.watchedEvents = 0;
    ReturnBodyBudget(connection);
    server_.census_.Release(connection.census);
    dropped_.push_back(std::move(found->second));
    connections_.erase(found);
}

void HttpServer::Loop::DropExpired(Connection& connection, bool stopOver)
{
    if (connection.state == ConnectionState::Writing && !stopOver)
        metrics_.Refused(Limit::ReplyStalled);
    Drop(connection);
}

void HttpServer::Loop::RefuseNewcomer(const Connection& connection, Limit limit)
{
    metrics_.Refused(limit);
    HttpResponse response;
    server_.refusal_("", 503, response);
    std::string reply = ResponseHead(response, false) + response.body;
    ssize_t sent = send(connection.socket, reply.data(), reply.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    metrics_.Sent(sent > 0 ? static_cast<size_t>(sent) : 0);
    LogRequest(connection.census.Address(), "", "", 503, response.body.size());
}

bool HttpServer::Loop::TakeBodyBudget(Connection& connection)
{
    const size_t body = connection.head.contentLength;
    const size_t budget = limits_.maxBufferedBodyBytes;
    size_t taken = server_.bodyBudgetTaken_.load(std::memory_order_relaxed);
    do {
        if (body > budget - std::min(taken, budget))
            return false;
    } while (!server_.bodyBudgetTaken_.compare_exchange_weak(taken, taken + body, std::memory_order_relaxed));
    connection.bodyBudget = body;
    // Room for the whole request at once: a buffer that doubles as it grows would take up to twice
    // the budget.
    connection.input.reserve(connection.headLength + body);
    return true;
}

void HttpServer::Loop::ReturnBodyBudget(Connection& connection)
{
    if (connection.bodyBudget > 0)
        server_.bodyBudgetTaken_.fetch_sub(connection.bodyBudget, std::memory_order_relaxed);
    connection.bodyBudget = 0;
}

void HttpServer::Loop::BeginStop(SteadyClock::time_point now)
{
    stopBegun_ = true;
    stopBy_ = now + limits_.stopGrace;
    WatchListener(false);
    std::vector<Connection*> idle;
    for (auto& [socket, connection] : connections_) {
        if (connection->state == ConnectionState::Idle && connection->input.empty())
            idle.push_back(connection.get());
    }
    for (Connection* connection : idle)
        Drop(*connection);
}

HttpServer::HttpServer(Handler handler, Refusal refusal, HttpLimits limits, std::vector<std::string> countedTargets)
    : handler_(std::move(handler)),
      refusal_(std::move(refusal)),
      limits_(limits),
      census_(limits.maxConnections, limits.maxConnectionsPerClient)
{
    if (limits_.loops == 0)
        limits_.loops = std::max(1u, std::thread::hardware_concurrency());
    metrics_ = std::make_unique<HttpMetrics>(std::move(countedTargets), limits_.loops);
    for (unsigned i = 0; i < limits_.loops; ++i)
        loops_.push_back(std::make_unique<Loop>(*this, metrics_->OfLoop(i)));
}

HttpServer::~HttpServer()
{
    loops_.clear();
    if (listener_ >= 0)
        close(listener_);
}

bool HttpServer::Listen(const std::string& host, int port, std::string& error)
{
    port_ = port;
    listener_ = OpenListeningSocket(host, port_, error);
    return listener_ >= 0;
}

void HttpServer::Run()
{
    if (listener_ < 0)
        return;
    running_ = true;
    std::vector<std::thread> others;
    for (size_t i = 1; i < loops_.size(); ++i)
        others.emplace_back([loop = loops_[i].get()] { loop->Run(); });
    loops_[0]->Run();
    for (std::thread& thread : others)
        thread.join();
    running_ = false;
}

void HttpServer::Stop()
{
    stopping_ = true;
    // The listening socket stops taking connections at once: a newcomer is refused instead of
    // waiting in the queue for a loop that no longer accepts. It is closed with the server.
    if (listener_ >= 0)
        shutdown(listener_, SHUT_RDWR);
    for (auto& loop : loops_)
        loop->Wake();
}

std::chrono::nanoseconds HttpServer::LongestPause() const
{
    int64_t oldest = Ticks(SteadyClock::now());
    for (const auto& loop : loops_)
        oldest = std::min(oldest, loop->LastTurn());
    return oldest == 0 ? std::chrono::nanoseconds(0) : SteadyClock::duration(Ticks(SteadyClock::now()) - oldest);
}
