#pragma once
// A complete request as the HTTP server hands it to its handler.
#include "http_request_head.h"

#include <string>
#include <string_view>

struct HttpRequest {
    RequestHead head;
    std::string_view body;  // in the connection's buffer, while the request is handled
    std::string remoteAddress;
};
