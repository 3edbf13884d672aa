// Request heads of any client, as the service's HTTP server reads them from a connection, with
// the reply it would send.
#include "http_request_head.h"
#include "http_response.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    RequestHead head;
    HeadReading reading = ReadRequestHead(std::string_view(reinterpret_cast<const char*>(data), size), 1024, head);
    HttpResponse response;
    response.status = reading.status == HeadStatus::Refused ? reading.refusal : 200;
    response.SetContent(head.target, "text/plain");
    ResponseHead(response, head.keepAlive);
    return 0;
}
