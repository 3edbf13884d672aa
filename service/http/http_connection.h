#pragma once
// One client connection of the HTTP server: what was received, the request being read, and the
// reply being sent. One loop of the server owns it.
#include "connection_census.h"
#include "http_metrics.h"
#include "http_request.h"
#include "http_request_head.h"
#include "http_response.h"

#include <chrono>
#include <string>

using SteadyClock = std::chrono::steady_clock;

enum class ConnectionState {
    Idle,     // waiting for the first byte of a request
    Reading,  // a request has begun and is not complete
    Writing,  // the reply waits for the socket
    Closing,  // the reply is out; reading what the client still sends until it closes
};

enum class IoResult { Done, WouldBlock, Closed, Failed };

struct Connection {
    // Its bytes in and out are counted in metrics.
    Connection(int socket, std::string remoteAddress, HttpMetrics::Loop& metrics);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Appends what the socket holds to input, at most up to limit bytes in all.
    IoResult Receive(size_t limit);
    // Takes the handled request out of input, keeping what the client sent after it; a buffer
    // that grew for a large body is given back.
    void TakeOutRequest(size_t length);
    // Acknowledges what was received without the usual delay: a client that waits for the
    // acknowledgement before it sends the rest of a request (Nagle's algorithm) would otherwise
    // wait for the delayed one, 40 ms.
    void AcknowledgeAtOnce();
    // Reads and drops what the socket holds (up to 1 MiB a call); Closed when the client has
    // closed.
    IoResult Discard();
    // Queues the reply; the connection stays open after it only when keepAlive.
    void SetReply(HttpResponse&& response, bool keepAlive);
    // Sends as much of the reply as the socket takes: Done when all of it is out.
    IoResult SendReply();
    bool ReplyProgressed();  // whether the last SendReply sent anything

    const int socket;
    CensusEntry census;  // remote address, and whether it waits for a head
    ConnectionState state = ConnectionState::Idle;
    SteadyClock::time_point deadline;   // of the current state
    SteadyClock::time_point idleSince;  // when it began waiting for its current request
    size_t requestsServed = 0;
    unsigned watchedEvents = 0;  // what the server's epoll set waits for on it; 0 when not in it

    std::string input;        // received, not yet taken as a request
    size_t headSearched = 0;  // how much of input is known to hold no end of the head
    bool headRead = false;
    RequestHead head;
    size_t headLength = 0;
    size_t bodyBudget = 0;  // what the body being received takes of the server's budget
    bool continueSent = false;

    bool closeAfterReply = false;

private:
    HttpMetrics::Loop& metrics_;
    std::string output_;
    size_t outputSent_ = 0;
    FileBody file_;
    off_t fileSent_ = 0;
    std::string chunk_;  // a piece of file_ that the socket has not fully taken
    size_t chunkSent_ = 0;
    bool progressed_ = false;
};

// The access log line of an answered request: time, client, method, target, status, body bytes.
void LogRequest(const std::string& remoteAddress, const std::string& method, const std::string& target, int status,
                size_t bodyBytes);
