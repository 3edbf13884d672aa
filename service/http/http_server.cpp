#include "http_server.h"

#include "handler_pool.h"
#include "http_connection.h"
#include "listen_socket.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

namespace {

constexpr auto kSweepInterval = std::chrono::milliseconds(100);
// How long a closing connection is read after its reply, so that the client receives the reply
// before the close resets the connection.
constexpr auto kLinger = std::chrono::seconds(2);
constexpr auto kAcceptPause = std::chrono::milliseconds(100);
constexpr const char kContinue[] = "HTTP/1.1 100 Continue\r\n\r\n";

}  // namespace

class HttpServer::Loop {
public:
    explicit Loop(HttpServer& server);
    ~Loop();
    Loop(const Loop&) = delete;
    Loop& operator=(const Loop&) = delete;
    void Run();

private:
    void Accept(SteadyClock::time_point now);
    void OnEvent(Connection& connection, uint32_t events, SteadyClock::time_point now);
    void Advance(Connection& connection, SteadyClock::time_point now);
    void Refuse(Connection& connection, int status, SteadyClock::time_point now);
    void SendOut(Connection& connection, IoResult sent, SteadyClock::time_point now);
    void AfterReply(Connection& connection, SteadyClock::time_point now);
    void TakeReturned(SteadyClock::time_point now);
    void Sweep(SteadyClock::time_point now);
    void Watch(Connection& connection, unsigned events);
    void WatchListener(bool on);
    void Drop(Connection& connection);
    bool DropLongestWaiting();
    void RefuseNewcomer(int socket, const std::string& address);
    bool TakeBodyBudget(Connection& connection);
    void ReturnBodyBudget(Connection& connection);
    void BeginStop(SteadyClock::time_point now);
    void Handle(Connection& connection);  // on a handler thread

    HttpServer& server_;
    const HttpLimits& limits_;
    int epoll_ = -1;
    std::unordered_map<int, std::unique_ptr<Connection>> connections_;
    std::unordered_map<std::string, size_t> connectionsOfClient_;
    size_t bodyBudgetTaken_ = 0;
    // Dropped during one round of events and deleted after it, so that no caller is left
    // holding a deleted connection.
    std::vector<std::unique_ptr<Connection>> dropped_;
    std::mutex returnedMutex_;
    std::vector<Connection*> returned_;
    bool listenerWatched_ = false;
    SteadyClock::time_point acceptPausedUntil_;
    bool stopBegun_ = false;
    SteadyClock::time_point stopBy_;
    std::unique_ptr<HandlerPool> pool_;  // last: its threads end before the rest goes
};

HttpServer::Loop::Loop(HttpServer& server) : server_(server), limits_(server.limits_)
{
    epoll_ = epoll_create1(EPOLL_CLOEXEC);
    epoll_event wake{};
    wake.events = EPOLLIN;
    wake.data.fd = server_.wakeup_;
    epoll_ctl(epoll_, EPOLL_CTL_ADD, server_.wakeup_, &wake);
    unsigned threads = limits_.handlerThreads;
    if (threads == 0)
        threads = std::max(2u, std::thread::hardware_concurrency());
    pool_ = std::make_unique<HandlerPool>(threads, [this](Connection& connection) { Handle(connection); });
}

HttpServer::Loop::~Loop()
{
    pool_.reset();
    close(epoll_);
}

void HttpServer::Loop::Run()
{
    WatchListener(true);
    SteadyClock::time_point nextSweep = SteadyClock::now() + kSweepInterval;
    epoll_event events[128];
    while (!stopBegun_ || !connections_.empty()) {
        if (server_.stopping_ && !stopBegun_)
            BeginStop(SteadyClock::now());
        auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(nextSweep - SteadyClock::now());
        int count = epoll_wait(epoll_, events, 128, static_cast<int>(std::max<long long>(0, wait.count())));
        SteadyClock::time_point now = SteadyClock::now();
        for (int i = 0; i < count; ++i) {
            int fd = events[i].data.fd;
            if (fd == server_.wakeup_) {
                uint64_t ignored = 0;
                [[maybe_unused]] ssize_t got = read(fd, &ignored, sizeof ignored);
                TakeReturned(now);
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
    }
}

void HttpServer::Loop::Accept(SteadyClock::time_point now)
{
    // A bounded number at a time, so that a flood of connections does not hold the waiting thread.
    for (int accepted = 0; accepted < 256; ++accepted) {
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
        // Replies go out at once: no wait for the client's delayed acknowledgement.
        int yes = 1;
        setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        std::string address = AddressText(peer);
        auto client = connectionsOfClient_.find(address);
        if ((client != connectionsOfClient_.end() && client->second >= limits_.maxConnectionsPerClient) ||
            (connections_.size() >= limits_.maxConnections && !DropLongestWaiting())) {
            RefuseNewcomer(socket, address);
            continue;
        }
        ++connectionsOfClient_[address];
        auto connection = std::make_unique<Connection>(socket, std::move(address));
        connection->idleSince = now;
        connection->deadline = now + limits_.idleTimeout;
        Watch(*connection, EPOLLIN);
        connections_.emplace(socket, std::move(connection));
    }
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
            Advance(connection, now);
        } while (received == IoResult::Done && connection.state == ConnectionState::Reading && connection.headRead);
        // A client that closed its side is answered only when its request is complete.
        if (received == IoResult::Closed && connection.state != ConnectionState::Handling &&
            connection.state != ConnectionState::Writing)
            Drop(connection);
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
    case ConnectionState::Handling:
        return;
    }
}

void HttpServer::Loop::Advance(Connection& connection, SteadyClock::time_point now)
{
    if (!connection.headRead) {
        if (connection.state == ConnectionState::Idle) {
            // Line ends between requests (old browsers send one after a posted body) are no
            // request: the connection goes on waiting for one.
            connection.input.erase(0, connection.input.find_first_not_of("\r\n"));
            if (connection.input.empty())
                return;
            connection.state = ConnectionState::Reading;
            connection.deadline = now + limits_.requestDeadline;
        }
        HeadReading reading =
            ReadRequestHead(connection.input, limits_.maxHeadBytes, connection.head, connection.headSearched);
        connection.headSearched = reading.searched;
        if (reading.status == HeadStatus::Incomplete)
            return connection.AcknowledgeAtOnce();
        if (reading.status == HeadStatus::Refused)
            return Refuse(connection, reading.refusal, now);
        connection.headRead = true;
        connection.headLength = reading.length;
        // Refused before reading: the body is left unread, so the connection must close.
        if (connection.head.contentLength > limits_.maxBodyBytes)
            return Refuse(connection, 413, now);
        if (!TakeBodyBudget(connection))
            return Refuse(connection, 503, now);
    }
    const size_t requestLength = connection.headLength + connection.head.contentLength;
    if (connection.input.size() < requestLength) {
        connection.AcknowledgeAtOnce();
        if (connection.head.expectsContinue && !connection.continueSent) {
            connection.continueSent = true;
            [[maybe_unused]] ssize_t sent =
                send(connection.socket, kContinue, sizeof kContinue - 1, MSG_NOSIGNAL | MSG_DONTWAIT);
        }
        return;
    }
    HttpRequest& request = connection.request;
    request.head = std::move(connection.head);
    request.body = std::string_view(connection.input).substr(connection.headLength, request.head.contentLength);
    request.remoteAddress = connection.remoteAddress;
    connection.headRead = false;
    connection.continueSent = false;
    connection.state = ConnectionState::Handling;
    connection.completedAt = now;
    Watch(connection, 0);
    pool_->Submit(connection);
}

void HttpServer::Loop::Refuse(Connection& connection, int status, SteadyClock::time_point now)
{
    ReturnBodyBudget(connection);
    const RequestHead line = connection.head.method.empty() ? RequestLineOf(connection.input) : connection.head;
    HttpResponse response;
    server_.refusal_(line.target, status, response);
    response.omitBody = line.method == "HEAD";
    LogRequest(connection.remoteAddress, line.method, line.target, status, response.BodyLength());
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
    connection.state = ConnectionState::Idle;
    connection.idleSince = now;
    connection.deadline = now + limits_.idleTimeout;
    Watch(connection, EPOLLIN);
    Advance(connection, now);  // a request the client sent before this reply
}

void HttpServer::Loop::TakeReturned(SteadyClock::time_point now)
{
    std::vector<Connection*> returned;
    {
        std::lock_guard<std::mutex> lock(returnedMutex_);
        returned.swap(returned_);
    }
    for (Connection* connection : returned) {
        ReturnBodyBudget(*connection);
        SendOut(*connection, connection->lastSend, now);
    }
}

void HttpServer::Loop::Sweep(SteadyClock::time_point now)
{
    if (!listenerWatched_ && !stopBegun_ && now >= acceptPausedUntil_)
        WatchListener(true);
    std::vector<Connection*> expired;
    for (auto& [socket, connection] : connections_) {
        bool stopOver = stopBegun_ && now >= stopBy_;
        if (connection->state != ConnectionState::Handling && (now >= connection->deadline || stopOver))
            expired.push_back(connection.get());
    }
    for (Connection* connection : expired) {
        if (connection->state == ConnectionState::Reading && !(stopBegun_ && now >= stopBy_))
            Refuse(*connection, 408, now);
        else
            Drop(*connection);
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
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.fd = server_.listener_;
    epoll_ctl(epoll_, on ? EPOLL_CTL_ADD : EPOLL_CTL_DEL, server_.listener_, &event);
    listenerWatched_ = on;
}

void HttpServer::Loop::Drop(Connection& connection)
{
    auto found = connections_.find(connection.socket);
    if (found == connections_.end())
        return;
    Watch(connection, 0);
    ReturnBodyBudget(connection);
    if (auto client = connectionsOfClient_.find(connection.remoteAddress);
        client != connectionsOfClient_.end() && --client->second == 0)
        connectionsOfClient_.erase(client);
    dropped_.push_back(std::move(found->second));
    connections_.erase(found);
}

bool HttpServer::Loop::DropLongestWaiting()
{
    Connection* longest = nullptr;
    for (auto& [socket, connection] : connections_) {
        const bool waiting = connection->state == ConnectionState::Idle ||
                             (connection->state == ConnectionState::Reading && !connection->headRead);
        if (waiting && (!longest || connection->idleSince < longest->idleSince))
            longest = connection.get();
    }
    if (longest)
        Drop(*longest);
    return longest != nullptr;
}

void HttpServer::Loop::RefuseNewcomer(int socket, const std::string& address)
{
    HttpResponse response;
    server_.refusal_("", 503, response);
    std::string reply = ResponseHead(response, false) + response.body;
    [[maybe_unused]] ssize_t sent = send(socket, reply.data(), reply.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    LogRequest(address, "", "", 503, response.body.size());
    close(socket);
}

bool HttpServer::Loop::TakeBodyBudget(Connection& connection)
{
    const size_t body = connection.head.contentLength;
    if (body > limits_.maxBufferedBodyBytes - std::min(bodyBudgetTaken_, limits_.maxBufferedBodyBytes))
        return false;
    bodyBudgetTaken_ += body;
    connection.bodyBudget = body;
    // Room for the whole request at once: a buffer that doubles as it grows would take up to twice
    // the budget.
    connection.input.reserve(connection.headLength + body);
    return true;
}

void HttpServer::Loop::ReturnBodyBudget(Connection& connection)
{
    bodyBudgetTaken_ -= connection.bodyBudget;
    connection.bodyBudget = 0;
}

void HttpServer::Loop::BeginStop(SteadyClock::time_point now)
{
    stopBegun_ = true;
    stopBy_ = now + limits_.stopGrace;
    WatchListener(false);
    close(server_.listener_);
    server_.listener_ = -1;
    std::vector<Connection*> idle;
    for (auto& [socket, connection] : connections_) {
        if (connection->state == ConnectionState::Idle && connection->input.empty())
            idle.push_back(connection.get());
    }
    for (Connection* connection : idle)
        Drop(*connection);
}

void HttpServer::Loop::Handle(Connection& connection)
{
    const HttpRequest& request = connection.request;
    HttpResponse response;
    if (SteadyClock::now() - connection.completedAt > limits_.handlingDeadline) {
        server_.refusal_(request.head.target, 503, response);
    } else {
        try {
            server_.handler_(request, response);
        } catch (const std::exception&) {
            response = HttpResponse();
            server_.refusal_(request.head.target, 500, response);
        }
    }
    response.omitBody = request.head.method == "HEAD";
    ++connection.requestsServed;
    bool keepAlive = request.head.keepAlive && !response.close &&
                     connection.requestsServed < limits_.maxRequestsPerConnection && !server_.stopping_;
    LogRequest(connection.remoteAddress, request.head.method, request.head.target, response.status,
               response.omitBody ? 0 : response.BodyLength());
    connection.SetReply(std::move(response), keepAlive);
    connection.request.body = {};
    connection.TakeOutRequest(connection.headLength + request.head.contentLength);
    connection.lastSend = connection.SendReply();
    {
        std::lock_guard<std::mutex> lock(returnedMutex_);
        returned_.push_back(&connection);
    }
    uint64_t one = 1;
    [[maybe_unused]] ssize_t written = write(server_.wakeup_, &one, sizeof one);
}

HttpServer::HttpServer(Handler handler, Refusal refusal, HttpLimits limits)
    : handler_(std::move(handler)), refusal_(std::move(refusal)), limits_(limits)
{
    wakeup_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

HttpServer::~HttpServer()
{
    if (listener_ >= 0)
        close(listener_);
    close(wakeup_);
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
    Loop loop(*this);
    loop.Run();
}

void HttpServer::Stop()
{
    stopping_ = true;
    uint64_t one = 1;
    [[maybe_unused]] ssize_t written = write(wakeup_, &one, sizeof one);
}
