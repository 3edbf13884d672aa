#include "loopback_server.h"

#include <cstdlib>

namespace {

// The Content-Length value of a request header, 0 when it has none.
std::size_t ContentLength(const std::string& header)
{
    const std::string name = "\r\nContent-Length: ";
    std::size_t at = header.find(name);
    return at == std::string::npos ? 0 : std::strtoul(header.c_str() + at + name.size(), nullptr, 10);
}

void SendAll(SOCKET socket, const std::string& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        int n = send(socket, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (n <= 0)
            return;
        sent += static_cast<std::size_t>(n);
    }
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
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && listen(listener_, 4) == 0 &&
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port_ = ntohs(address.sin_port);
}

LoopbackServer::~LoopbackServer()
{
    if (thread_.joinable())
        thread_.join();
    Close();
    WSACleanup();
}

std::string LoopbackServer::Url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void LoopbackServer::Serve(const std::string& reply, Mode mode)
{
    thread_ = std::thread(&LoopbackServer::ServeOne, this, reply, mode);
}

std::string LoopbackServer::Request()
{
    if (thread_.joinable())
        thread_.join();
    return request_;
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

void LoopbackServer::ServeOne(std::string reply, Mode mode)
{
    SOCKET connection = accept(listener_, nullptr, nullptr);
    if (connection == INVALID_SOCKET)
        return;
    if (mode == Mode::ReadsRequest) {
        char byte;
        while (request_.find("\r\n\r\n") == std::string::npos && recv(connection, &byte, 1, 0) == 1)
            request_ += byte;
        std::size_t expected = request_.size() + ContentLength(request_);
        char chunk[4096];
        while (request_.size() < expected) {
            int n = recv(connection, chunk, sizeof chunk, 0);
            if (n <= 0)
                break;
            request_.append(chunk, static_cast<std::size_t>(n));
        }
        SendAll(connection, reply);
        // A graceful close: the client reads everything, then sees the end of the stream.
        shutdown(connection, SD_SEND);
        while (recv(connection, chunk, sizeof chunk, 0) > 0) {
        }
    }
    closesocket(connection);
}
