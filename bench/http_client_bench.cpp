// The HTTP client reading a 10 MB reply from a server thread on 127.0.0.1, alternately with two
// plain recv loops on the same kind of connection: one with large reads (the transfer's floor)
// and one that reads as the client must, the header a byte at a time and the body in 511-byte
// chunks (the floor of that read pattern).
#include "http_client.h"
#include "loopback_server.h"
#include "side_by_side.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

const size_t kBodySize = size_t{10} * 1024 * 1024;
const int kRounds = 5;

std::string Reply()
{
    std::string body(kBodySize, 'x');
    for (size_t i = 0; i < body.size(); i += 64)
        body[i] = static_cast<char>('a' + i / 64 % 26);
    return "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " + std::to_string(kBodySize) +
           "\r\n\r\n" + body;
}

// A GET on its own socket, the reply read with recv calls of headerRead bytes until the
// header's empty line and of bodyRead bytes after it; the number of bytes received.
size_t PlainGet(int port, int headerRead, int bodyRead)
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(static_cast<u_short>(port));
    peer.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string reply;
    if (connect(s, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0) {
        const char request[] = "GET /big HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
        send(s, request, sizeof request - 1, 0);
        std::vector<char> buffer(bodyRead);
        bool inBody = false;
        for (;;) {
            int n = recv(s, buffer.data(), inBody ? bodyRead : headerRead, 0);
            if (n <= 0)
                break;
            reply.append(buffer.data(), n);
            if (!inBody && reply.size() >= 4 && reply.compare(reply.size() - 4, 4, "\r\n\r\n") == 0)
                inBody = true;
        }
    }
    closesocket(s);
    return reply.size();
}

}  // namespace

int main()
{
    const std::string reply = Reply();
    LoopbackServer server;
    if (server.Port() == 0) {
        std::fprintf(stderr, "http_client_bench: cannot listen on 127.0.0.1\n");
        return 1;
    }
    size_t clientBytes = 0, plainBytes = 0, patternBytes = 0;
    auto client = [&] {
        server.Serve(reply);
        std::string header, body;
        HttpClient().Request(false, server.Url("/big"), std::string(), header, body);
        server.Request();
        clientBytes = header.size() + body.size();
    };
    auto plain = [&] {
        server.Serve(reply);
        plainBytes = PlainGet(server.Port(), 64 * 1024, 64 * 1024);
        server.Request();
    };
    auto samePattern = [&] {
        server.Serve(reply);
        patternBytes = PlainGet(server.Port(), 1, 511);
        server.Request();
    };
    SideBySide againstPlain = TimeSideBySide(kRounds, client, plain);
    SideBySide againstPattern = TimeSideBySide(kRounds, client, samePattern);

    std::printf("HTTP client, 10 MB reply: %zu bytes read (plain loops %zu, %zu), %d rounds each\n", clientBytes,
                plainBytes, patternBytes, kRounds);
    std::printf("  client %.3f s, 64 KB recv loop %.3f s, 1-byte/511-byte recv loop %.3f s (medians)\n",
                againstPlain.measured, againstPlain.baseline, againstPattern.baseline);
    PrintRow("HTTP client, 10 MB reply: wall time / plain 64 KB recv loop", "(reported; floor explained)",
             Fixed(againstPlain.ratio, 2));
    PrintRow("HTTP client, 10 MB reply: wall time / recv loop with the same reads (header 1 byte, body 511 bytes)",
             "(reported)", Fixed(againstPattern.ratio, 2));
    return clientBytes == reply.size() ? 0 : 1;
}
