#pragma once
// The service's listening socket. No SO_REUSEPORT: a second service on a port in use fails to
// start instead of silently taking half of the connections.
#include <string>

// A non-blocking listening TCP socket on host:port (port 0 picks a free one); -1 and a message
// when the address cannot be used. port receives the port actually bound.
int OpenListeningSocket(const std::string& host, int& port, std::string& error);

struct sockaddr_storage;

// The numeric text of an IPv4 or IPv6 address, "?" for another kind.
std::string AddressText(const sockaddr_storage& address);
