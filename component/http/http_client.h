#pragma once
// A minimal HTTP/1.0 client over blocking Windows Sockets 1.1: one request per call, the reply
// read until the server closes the connection. No proxy, no TLS, no redirects and no time-outs:
// a server that never closes keeps the calling thread waiting until its owner ends it.
#include "byte_buffer.h"

#include <winsock2.h>

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

class HttpClient {
public:
    // A reply longer than replyLimit bytes (header and body together) fails the request as soon
    // as it grows past the limit; by default the client keeps reading until the server closes.
    explicit HttpClient(std::size_t replyLimit = std::numeric_limits<std::size_t>::max()) : replyLimit_(replyLimit) {}

    // Sends a GET, or with post set a form POST of the given body. True once the request was
    // sent, with the reply's header (up to and including its empty line) and its body up to the
    // first NUL byte; false, with header and body untouched, when it could not be sent.
    bool Request(bool post, const std::string& url, const std::string& form, std::string& header, std::string& body);

    // Sends the request and collects the reply into the two buffers. extraHeader (complete lines)
    // and body may be null; a body makes it a POST even when bodyLength is 0. Returns 0 on
    // success and 1 when the connection could not be made, a buffer could not grow or the reply
    // outgrew the limit.
    int SendRequest(const char* url, const char* extraHeader, const char* body, int bodyLength, ByteBuffer& header,
                    ByteBuffer& replyBody);

    // The first IPv4 address of the host name in network order; 0 when it does not resolve.
    static uint32_t ResolveHost(const char* host);

    // Sends the whole NUL-terminated text in one call; the outcome shows in the reply, if any.
    static void SendText(SOCKET socket, const char* text);

private:
    std::size_t replyLimit_;
};
