// Request heads of any client, as the service's HTTP server reads them from a connection, with
// the reply it would send; also read in two pieces, the second reading searching on from where
// the first stopped, which must come to the same.
#include "http_request_head.h"
#include "http_response.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    constexpr size_t kMaxHead = 1024;
    const std::string_view received(reinterpret_cast<const char*>(data), size);
    RequestHead head;
    HeadReading reading = ReadRequestHead(received, kMaxHead, head);
    HttpResponse response;
    response.status = reading.status == HeadStatus::Refused ? reading.refusal : 200;
    response.SetContent(head.target + RequestLineOf(received).target, "text/plain");
    ResponseHead(response, head.keepAlive);

    RequestHead piece;
    HeadReading first = ReadRequestHead(received.substr(0, size / 2), kMaxHead, piece);
    if (first.status == HeadStatus::Incomplete) {
        HeadReading second = ReadRequestHead(received, kMaxHead, piece, first.searched);
        if (second.status != reading.status || second.length != reading.length || second.refusal != reading.refusal)
            std::abort();
    }
    return 0;
}
