#include "http_client.h"

#include "http_reply.h"
#include "url_parts.h"

#include <windows.h>

#include <climits>

namespace {

constexpr char kFormHeader[] = "Content-Type: application/x-www-form-urlencoded\r\n";
constexpr int kChunkSize = 511;  // one less than the scratch buffer: room for a NUL after each chunk

// Windows Sockets stays usable for the request's lifetime; every start is matched by a cleanup.
class SocketsSession {
public:
    SocketsSession()
    {
        WSADATA data;
        started_ = WSAStartup(MAKEWORD(1, 1), &data) == 0;
    }
    ~SocketsSession()
    {
        if (started_)
            WSACleanup();
    }
    bool Started() const { return started_; }

private:
    bool started_ = false;
};

// Closes the socket on every way out of the request.
class SocketHandle {
public:
    explicit SocketHandle(SOCKET socket) : socket_(socket) {}
    ~SocketHandle()
    {
        if (socket_ != INVALID_SOCKET)
            closesocket(socket_);
    }
    SocketHandle(const SocketHandle&) = delete;
    SocketHandle& operator=(const SocketHandle&) = delete;
    SOCKET Get() const { return socket_; }

private:
    SOCKET socket_;
};

bool Connect(SOCKET socket, const UrlParts& url)
{
    uint32_t address = HttpClient::ResolveHost(url.host.c_str());
    if (address == 0)
        return false;  // 0.0.0.0 would reach this machine on some systems, not fail
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(static_cast<u_short>(url.port));
    peer.sin_addr.s_addr = address;
    return connect(socket, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0;
}

void SendHeader(SOCKET socket, const UrlParts& url, const char* extraHeader, const char* body, int bodyLength,
                char* scratch)
{
    HttpClient::SendText(socket, body ? "POST " : "GET ");
    HttpClient::SendText(socket, url.path.empty() ? "/" : url.path.c_str());
    HttpClient::SendText(socket, " HTTP/1.0\r\n");
    HttpClient::SendText(socket,
                         "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/vnd.ms-excel, "
                         "application/msword, application/vnd.ms-powerpoint, */*\r\n");
    HttpClient::SendText(socket, "Accept-Language: en-us\r\n");
    HttpClient::SendText(socket, "Accept-Encoding: gzip, deflate\r\n");
    HttpClient::SendText(socket, "User-Agent: Mozilla/4.0\r\n");
    if (bodyLength != 0) {
        wsprintfA(scratch, "Content-Length: %ld\r\n", static_cast<long>(bodyLength));
        HttpClient::SendText(socket, scratch);
    }
    HttpClient::SendText(socket, "Host: ");
    HttpClient::SendText(socket, url.host.c_str());
    HttpClient::SendText(socket, "\r\n");
    if (extraHeader && *extraHeader)
        HttpClient::SendText(socket, extraHeader);
    HttpClient::SendText(socket, "\r\n");
    if (body && bodyLength != 0)
        send(socket, body, bodyLength, 0);
}

// Reads the header one byte at a time up to its empty line, or until the connection ends; false
// when it grows past limit bytes or memory runs out.
bool ReadHeader(SOCKET socket, ByteBuffer& header, char* scratch, std::size_t limit)
{
    HeaderEndDetector detector;
    while (recv(socket, scratch, 1, 0) == 1) {
        if (header.Size() >= limit || !header.AppendByte(scratch[0]))
            return false;
        if (detector.Feed(scratch[0]))
            break;
    }
    return true;
}

// Reads the body in chunks until the server closes the connection or the read fails; false when
// it grows past limit bytes or memory runs out.
bool ReadBody(SOCKET socket, ByteBuffer& body, char* scratch, std::size_t limit)
{
    for (;;) {
        int received = recv(socket, scratch, kChunkSize, 0);
        if (received <= 0)
            return true;
        scratch[received] = '\0';
        if (static_cast<std::size_t>(received) > limit - body.Size() ||
            !body.Append(scratch, static_cast<std::size_t>(received)))
            return false;
    }
}

}  // namespace

bool HttpClient::Request(bool post, const std::string& url, const std::string& form, std::string& header,
                         std::string& body)
{
    if (post && form.size() > static_cast<std::size_t>(INT_MAX))
        return false;
    ByteBuffer replyHeader;
    ByteBuffer replyBody;
    int failed = post ? SendRequest(url.c_str(), kFormHeader, form.c_str(), static_cast<int>(form.size()), replyHeader,
                                    replyBody)
                      : SendRequest(url.c_str(), nullptr, nullptr, 0, replyHeader, replyBody);
    if (failed)
        return false;
    header = replyHeader.Text();
    body = replyBody.Text();
    return true;
}

int HttpClient::SendRequest(const char* url, const char* extraHeader, const char* body, int bodyLength,
                            ByteBuffer& header, ByteBuffer& replyBody)
{
    const UrlParts parts = ParseUrl(url);
    if (parts.scheme != "HTTP" || parts.port > 0xFFFF)
        return 1;
    SocketsSession session;
    if (!session.Started())
        return 1;
    SocketHandle socket(::socket(AF_INET, SOCK_STREAM, 0));
    if (socket.Get() == INVALID_SOCKET || !Connect(socket.Get(), parts))
        return 1;

    char scratch[512];
    SendHeader(socket.Get(), parts, extraHeader, body, bodyLength, scratch);
    if (!ReadHeader(socket.Get(), header, scratch, replyLimit_) ||
        !ReadBody(socket.Get(), replyBody, scratch, replyLimit_ - header.Size()))
        return 1;
    return 0;
}

uint32_t HttpClient::ResolveHost(const char* host)
{
    const hostent* entry = gethostbyname(host);
    if (!entry || entry->h_addrtype != AF_INET || entry->h_length != 4 || !entry->h_addr_list[0])
        return 0;
    uint32_t address = 0;
    CopyMemory(&address, entry->h_addr_list[0], sizeof address);
    return address;
}

void HttpClient::SendText(SOCKET socket, const char* text)
{
    send(socket, text, lstrlenA(text), 0);
}
