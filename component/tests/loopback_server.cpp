#include "loopback_server.h"

#include <cstdlib>

namespace {

// How long the server waits for each connection before it gives up on the rest.
constexpr DWORD kConnectionWaitMs = 30000;
constexpr long kPollMs = 50;
constexpr DWORD kTrickleMs = 100;
constexpr std::size_t kFloodChunk = 64 * 1024;

// The Content-Length value of a request header, 0 when it has none.
std::size_t ContentLength(const std::string& header)
{
    const std::string name = "\r\nContent-Length: ";
    std::size_t at = header.find(name);
    return at == std::string::npos ? 0 : std::strtoul(header.c_str() + at + name.size(), nullptr, 10);
}

bool SendAll(SOCKET socket, const std::string& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        int n = send(socket, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

// Whether the socket becomes ready (readable, or writable when writing) within kPollMs.
bool Ready(SOCKET socket, bool writing)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(socket, &set);
    timeval wait{0, kPollMs * 1000};
    return select(0, writing ? nullptr : &set, writing ? &set : nullptr, nullptr, &wait) == 1;
}

std::string ReadRequest(SOCKET connection)
{
    std::string request;
    char byte;
    while (request.find("\r\n\r\n") == std::string::npos && recv(connection, &byte, 1, 0) == 1)
        request += byte;
    std::size_t expected = request.size() + ContentLength(request);
    char chunk[4096];
    while (request.size() < expected) {
        int n = recv(connection, chunk, sizeof chunk, 0);
        if (n <= 0)
            break;
        request.append(chunk, static_cast<std::size_t>(n));
    }
    return request;
}

}  // namespace

LoopbackServer::LoopbackServer(int port)
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<u_short>(port));
    int length = sizeof address;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && listen(listener_, 8) == 0 &&
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port_ = ntohs(address.sin_port);
}

LoopbackServer::~LoopbackServer()
{
    stopping_ = true;
    if (thread_.joinable())
        thread_.join();
    Close();
    WSACleanup();
}

std::string PortInUse(int port)
{
    return "port " + std::to_string(port) + " is in use; set KORVALA_TEST_PORT_BASE to move the tests' ports";
}

std::string LoopbackServer::Url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void LoopbackServer::Serve(const std::string& reply, Mode mode, int connections)
{
    thread_ = std::thread(&LoopbackServer::ServeAll, this, reply, mode, connections);
}

std::string LoopbackServer::Request()
{
    if (thread_.joinable())
        thread_.join();
    return requests_.empty() ? std::string() : requests_.front();
}

bool LoopbackServer::HasPendingConnection() const
{
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(listener_, &readable);
    timeval none{0, 0};
    return select(0, &readable, nullptr, nullptr, &none) == 1;
}

void LoopbackServer::Close()
{
    if (listener_ != INVALID_SOCKET)
        closesocket(listener_);
    listener_ = INVALID_SOCKET;
}

bool LoopbackServer::WaitForConnection() const
{
    for (DWORD start = GetTickCount(); !stopping_ && GetTickCount() - start < kConnectionWaitMs;) {
        if (Ready(listener_, false))
            return true;
    }
    return false;
}

void LoopbackServer::ServeAll(std::string reply, Mode mode, int connections)
{
    for (int i = 0; i < connections && WaitForConnection(); ++i) {
        SOCKET connection = accept(listener_, nullptr, nullptr);
        if (connection == INVALID_SOCKET)
            return;
        ++connections_;
        ServeOne(connection, reply, mode);
        closesocket(connection);
    }
}

void LoopbackServer::ServeOne(SOCKET connection, const std::string& reply, Mode mode)
{
    if (mode == Mode::ClosesAtOnce)
        return;
    requests_.push_back(ReadRequest(connection));
    if (!SendAll(connection, reply))
        return;
    if (mode == Mode::Floods) {
        SendWithoutEnd(connection, std::string(kFloodChunk, '9'), 0);
    } else if (mode == Mode::Trickles) {
        SendWithoutEnd(connection, "9", kTrickleMs);
    } else {
        // A graceful close: the client reads everything, then sees the end of the stream.
        shutdown(connection, SD_SEND);
        char chunk[4096];
        while (recv(connection, chunk, sizeof chunk, 0) > 0) {
        }
    }
}

// Sends the filler again and again until the client closes or the server stops. The socket does
// not block, so that a client that stops reading cannot hold the server.
void LoopbackServer::SendWithoutEnd(SOCKET connection, const std::string& filler, DWORD pauseMs) const
{
    u_long nonBlocking = 1;
    ioctlsocket(connection, FIONBIO, &nonBlocking);
    while (!stopping_) {
        if (!Ready(connection, true))
            continue;
        if (send(connection, filler.data(), static_cast<int>(filler.size()), 0) == SOCKET_ERROR &&
            WSAGetLastError() != WSAEWOULDBLOCK)
            return;
        Sleep(pauseMs);
    }
}
