#pragma once
// A one-connection HTTP server on 127.0.0.1 inside the test program: it listens on a port that
// the system chooses, records the exact bytes of the request it receives and answers with the
// bytes the test gives it, then closes the connection.
#include <winsock2.h>

#include <string>
#include <thread>

class LoopbackServer {
public:
    enum class Mode {
        ReadsRequest,  // reads the whole request (header and Content-Length body), answers, closes
        ClosesAtOnce,  // closes the connection as soon as it is accepted, reading and sending nothing
    };

    // Listens on the given port, or on one that the system chooses when it is 0.
    explicit LoopbackServer(int port = 0);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int Port() const { return port_; }
    // "http://127.0.0.1:<port>" followed by the path.
    std::string Url(const std::string& path) const;

    // Accepts one connection on a thread of its own and serves it.
    void Serve(const std::string& reply, Mode mode = Mode::ReadsRequest);
    // Waits until the connection is served; the request bytes as received.
    std::string Request();
    // Whether a client has connected without being accepted yet.
    bool HasPendingConnection() const;
    // Stops listening: connections to the port are refused from now on.
    void Close();

private:
    void ServeOne(std::string reply, Mode mode);

    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::thread thread_;
    std::string request_;
};
