#include "raw_connection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

RawConnection::RawConnection(int port, const char* from)
{
    socket_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in source{};
    source.sin_family = AF_INET;
    if (from && (inet_pton(AF_INET, from, &source.sin_addr) != 1 ||
                 bind(socket_, reinterpret_cast<sockaddr*>(&source), sizeof source) != 0)) {
        close(socket_);
        socket_ = -1;
        return;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(socket_);
        socket_ = -1;
    }
}

RawConnection::~RawConnection()
{
    if (socket_ >= 0)
        close(socket_);
}

bool RawConnection::Send(const std::string& bytes)
{
    for (size_t sent = 0; sent < bytes.size();) {
        ssize_t written = send(socket_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (written <= 0)
            return false;
        sent += static_cast<size_t>(written);
    }
    return true;
}

void RawConnection::ReadSome(std::chrono::milliseconds patience)
{
    pollfd ready{socket_, POLLIN, 0};
    if (closed_ || poll(&ready, 1, static_cast<int>(patience.count())) <= 0)
        return;
    char buffer[16384];
    ssize_t got = recv(socket_, buffer, sizeof buffer, 0);
    if (got <= 0)
        closed_ = true;
    else
        received_.append(buffer, static_cast<size_t>(got));
}

void RawConnection::ReadFor(std::chrono::milliseconds patience, const std::function<bool()>& done)
{
    const auto end = std::chrono::steady_clock::now() + patience;
    do {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        ReadSome(std::clamp(left, std::chrono::milliseconds(0), std::chrono::milliseconds(50)));
    } while (!done() && !closed_ && std::chrono::steady_clock::now() < end);
}

bool RawConnection::ReadUntil(const std::string& text, std::chrono::milliseconds patience)
{
    ReadFor(patience, [&] { return received_.find(text) != std::string::npos; });
    return received_.find(text) != std::string::npos;
}

bool RawConnection::ReadUntil(const std::function<bool(const std::string&)>& done, std::chrono::milliseconds patience)
{
    ReadFor(patience, [&] { return done(received_); });
    return done(received_);
}

bool RawConnection::ReadUntilClosed(std::chrono::milliseconds patience)
{
    ReadFor(patience, [] { return false; });
    return closed_;
}

size_t ReplyCount(const std::string& received)
{
    size_t count = 0;
    for (size_t at = received.find("HTTP/1.1 "); at != std::string::npos; at = received.find("HTTP/1.1 ", at + 1))
        ++count;
    return count;
}
