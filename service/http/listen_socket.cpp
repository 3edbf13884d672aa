#include "listen_socket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// The port of a bound socket, -1 when it cannot be read.
int BoundPort(int socket)
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return -1;
    if (address.ss_family == AF_INET)
        return ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port);
    return ntohs(reinterpret_cast<sockaddr_in6*>(&address)->sin6_port);
}

}  // namespace

int OpenListeningSocket(const std::string& host, int& port, std::string& error)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    std::string service = std::to_string(port);
    if (int fault = getaddrinfo(host.c_str(), service.c_str(), &hints, &found); fault != 0) {
        error = "cannot resolve " + host + ": " + gai_strerror(fault);
        return -1;
    }
    int listener = -1;
    for (addrinfo* candidate = found; candidate && listener < 0; candidate = candidate->ai_next) {
        listener =
            socket(candidate->ai_family, candidate->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, candidate->ai_protocol);
        if (listener < 0)
            continue;
        // Only lets a restarted service bind while connections of the last one linger in
        // TIME_WAIT; Linux refuses a second listener on the port all the same.
        int yes = 1;
        setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        // Replies go out at once, without waiting for the client's delayed acknowledgement; the
        // connections it accepts inherit this.
        setsockopt(listener, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        if (bind(listener, candidate->ai_addr, candidate->ai_addrlen) != 0 || listen(listener, SOMAXCONN) != 0) {
            error = "cannot listen on " + host + ":" + service + ": " + std::strerror(errno);
            close(listener);
            listener = -1;
        }
    }
    freeaddrinfo(found);
    if (listener >= 0)
        port = BoundPort(listener);
    return listener;
}

std::string AddressText(const sockaddr_storage& address)
{
    char text[INET6_ADDRSTRLEN] = "?";
    const void* raw = nullptr;
    if (address.ss_family == AF_INET)
        raw = &reinterpret_cast<const sockaddr_in*>(&address)->sin_addr;
    else if (address.ss_family == AF_INET6)
        raw = &reinterpret_cast<const sockaddr_in6*>(&address)->sin6_addr;
    if (!raw || !inet_ntop(address.ss_family, raw, text, sizeof text))
        return "?";
    return text;
}
