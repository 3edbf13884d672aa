#pragma once
// The service's listening socket. No SO_REUSEPORT: a second service on a port in use fails to
// start instead of silently taking half of the connections.
#include <string>

// A non-blocking listening TCP socket on host:port (port 0 picks a free one); -1 and a message
// when the address cannot be used. port receives the port actually bound.
int OpenListeningSocket(const std::string& host, int& port, std::string& error);

// The numeric address of a socket's peer, "?" when unknown.
std::string PeerAddress(int socket);
