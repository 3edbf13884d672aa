#pragma once
// An HTTP server on 127.0.0.1 inside the test program: it listens on a port that the system
// chooses (or the test's), records the exact bytes of the requests it receives and answers with
// the bytes the test gives it, then closes the connection.
#include <winsock2.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

class LoopbackServer {
public:
    enum class Mode {
        ReadsRequest,  // reads the whole request (header and Content-Length body), answers, closes
        ClosesAtOnce,  // closes the connection as soon as it is accepted, reading and sending nothing
        Floods,        // reads the request, answers, then sends without end until the client closes
        Trickles,      // reads the request, answers, then sends one byte every 100 ms until closed
    };

    // Listens on the given port, or on one that the system chooses when it is 0.
    explicit LoopbackServer(int port = 0);
    // Stops serving: a flood or trickle ends, a connection not yet made is no longer waited for.
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int Port() const { return port_; }
    // "http://127.0.0.1:<port>" followed by the path.
    std::string Url(const std::string& path) const;

    // Accepts connections one after another on a thread of its own and serves each, up to the
    // given number.
    void Serve(const std::string& reply, Mode mode = Mode::ReadsRequest, int connections = 1);
    // Waits until every connection is served; the first request's bytes as received.
    std::string Request();
    // The connections accepted so far.
    int Connections() const { return connections_; }
    // Whether a client has connected without being accepted yet.
    bool HasPendingConnection() const;
    // Stops listening: connections to the port are refused from now on.
    void Close();

private:
    void ServeAll(std::string reply, Mode mode, int connections);
    void ServeOne(SOCKET connection, const std::string& reply, Mode mode);
    bool WaitForConnection() const;
    void SendWithoutEnd(SOCKET connection, const std::string& filler, DWORD pauseMs) const;

    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::thread thread_;
    std::vector<std::string> requests_;
    std::atomic<int> connections_{0};
    std::atomic<bool> stopping_{false};
};

// What a test says when a server could not listen on the fixed port that a test build's service
// address names: another program on the machine holds it.
std::string PortInUse(int port);
