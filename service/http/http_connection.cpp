#include "http_connection.h"

#include "service_log.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace {

constexpr size_t kReadSize = size_t{64} * 1024;
constexpr size_t kFileChunk = size_t{64} * 1024;

// Sends from text starting at sent until the socket is full or all is out.
IoResult SendText(int socket, const std::string& text, size_t& sent, bool& progressed, HttpMetrics::Loop& metrics)
{
    while (sent < text.size()) {
        ssize_t written = send(socket, text.data() + sent, text.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (written > 0) {
            sent += static_cast<size_t>(written);
            metrics.Sent(static_cast<size_t>(written));
            progressed = true;
        } else if (written < 0 && errno == EINTR) {
            continue;
        } else {
            return written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) ? IoResult::WouldBlock : IoResult::Failed;
        }
    }
    return IoResult::Done;
}

}  // namespace

Connection::Connection(int socket, std::string remoteAddress, HttpMetrics::Loop& metrics)
    : socket(socket), census(socket, std::move(remoteAddress)), metrics_(metrics)
{
}

Connection::~Connection()
{
    close(socket);
}

IoResult Connection::Receive(size_t limit)
{
    char buffer[kReadSize];
    while (input.size() < limit) {
        const size_t wanted = std::min(sizeof buffer, limit - input.size());
        ssize_t got = recv(socket, buffer, wanted, MSG_DONTWAIT);
        if (got > 0) {
            input.append(buffer, static_cast<size_t>(got));
            metrics_.Received(static_cast<size_t>(got));
            // Less than asked for: the socket is empty for now (the next wait says when not).
            if (static_cast<size_t>(got) < wanted)
                return IoResult::WouldBlock;
        } else if (got == 0) {
            return IoResult::Closed;
        } else if (errno != EINTR) {
            return errno == EAGAIN || errno == EWOULDBLOCK ? IoResult::WouldBlock : IoResult::Failed;
        }
    }
    return IoResult::Done;
}

void Connection::TakeOutRequest(size_t length)
{
    input.erase(0, length);
    if (input.capacity() > kReadSize)
        input.shrink_to_fit();
}

void Connection::AcknowledgeAtOnce()
{
    int yes = 1;
    setsockopt(socket, IPPROTO_TCP, TCP_QUICKACK, &yes, sizeof yes);
}

IoResult Connection::Discard()
{
    char buffer[kReadSize];
    // A bounded share at a time: a client that keeps sending must not hold the loop.
    for (int read = 0; read < 16; ++read) {
        ssize_t got = recv(socket, buffer, sizeof buffer, MSG_DONTWAIT);
        if (got == 0)
            return IoResult::Closed;
        if (got < 0 && errno != EINTR)
            return errno == EAGAIN || errno == EWOULDBLOCK ? IoResult::WouldBlock : IoResult::Failed;
    }
    return IoResult::WouldBlock;
}

void Connection::SetReply(HttpResponse&& response, bool keepAlive)
{
    closeAfterReply = !keepAlive;
    output_ = ResponseHead(response, keepAlive);
    outputSent_ = 0;
    if (!response.omitBody) {
        if (response.file.IsOpen())
            file_ = std::move(response.file);
        else
            output_ += response.body;
    }
    fileSent_ = 0;
    chunk_.clear();
    chunkSent_ = 0;
}

IoResult Connection::SendReply()
{
    progressed_ = false;
    IoResult result = SendText(socket, output_, outputSent_, progressed_, metrics_);
    while (result == IoResult::Done && file_.IsOpen()) {
        if (chunkSent_ == chunk_.size()) {
            if (fileSent_ >= file_.Size()) {
                file_ = FileBody();
                break;
            }
            chunk_.resize(static_cast<size_t>(std::min<off_t>(kFileChunk, file_.Size() - fileSent_)));
            ssize_t got = pread(file_.Descriptor(), chunk_.data(), chunk_.size(), fileSent_);
            if (got <= 0)
                return IoResult::Failed;  // the file shrank or cannot be read: the reply cannot be completed
            chunk_.resize(static_cast<size_t>(got));
            chunkSent_ = 0;
            fileSent_ += got;
        }
        result = SendText(socket, chunk_, chunkSent_, progressed_, metrics_);
    }
    if (result == IoResult::Done) {
        output_.clear();
        outputSent_ = 0;
    }
    return result;
}

bool Connection::ReplyProgressed()
{
    return progressed_;
}

void LogRequest(const std::string& remoteAddress, const std::string& method, const std::string& target, int status,
                size_t bodyBytes)
{
    // The time as the line shows it, made once a second per thread.
    thread_local std::time_t shown = -1;
    thread_local char stamp[32] = "";
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    if (now != shown && gmtime_r(&now, &parts) && std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &parts) > 0)
        shown = now;
    const std::string shownTarget = Printable(target, 200);
    // Appended to one buffer: a line costs one allocation.
    std::string line;
    line.reserve(64 + remoteAddress.size() + shownTarget.size());
    line += stamp;
    line += ' ';
    line += remoteAddress;
    line += ' ';
    line += method.empty() ? "-" : method;
    line += ' ';
    line += shownTarget.empty() ? "-" : shownTarget;
    line += ' ';
    line += std::to_string(status);
    line += ' ';
    line += std::to_string(bodyBytes);
    Log(std::move(line));
}
