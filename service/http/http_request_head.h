#pragma once
// The head of an HTTP/1.0 or HTTP/1.1 request (request line and header fields) as the service
// reads it from a connection: bounded in size, and strict about what frames the body, so that
// the bytes after a request are never mistaken for another one.
#include <cstddef>
#include <string>
#include <string_view>

struct RequestHead {
    std::string method;
    std::string target;  // as sent: path and query
    int minorVersion = 1;
    size_t contentLength = 0;
    bool keepAlive = true;         // HTTP/1.1 unless "Connection: close"; HTTP/1.0 only with "keep-alive"
    bool expectsContinue = false;  // HTTP/1.1 only: an HTTP/1.0 client does not wait for it
    bool multipartForm = false;    // Content-Type multipart/form-data
};

enum class HeadStatus {
    Incomplete,  // the empty line that ends the head has not arrived yet
    Complete,
    Refused,  // answer refusal.status and close the connection
};

struct HeadReading {
    HeadStatus status = HeadStatus::Incomplete;
    size_t length = 0;  // bytes of the head, its empty line included (Complete)
    int refusal = 0;    // HTTP status of a refused head
    // Incomplete: the next reading of more of the same head may search for its end from here,
    // so that a head that arrives a byte at a time is not searched again from its start.
    size_t searched = 0;
};

// Reads the head at the start of received, searching for its end from searchFrom (0, or the
// last Incomplete reading's searched). Empty lines before the request line are skipped (old
// browsers send one after a posted body). A request line longer than maxHeadBytes is refused
// with 414, a longer head with 431; a malformed one with 400, as is an HTTP/1.1 head without
// one Host field or any head with two; a method that HTTP does not define with 501; a body in
// transfer coding with 411 (only Content-Length frames a body here); an unknown expectation
// with 417; a version other than 1.0 or 1.1 with 505.
HeadReading ReadRequestHead(std::string_view received, size_t maxHeadBytes, RequestHead& head, size_t searchFrom = 0);

// The method and target of the request line once that line has arrived, before the rest of the
// head; both empty while it has not or when it is malformed. For answering a request that never
// completed.
RequestHead RequestLineOf(std::string_view received);
