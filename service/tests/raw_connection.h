#pragma once
// A plain TCP connection to a loopback port, for sending requests byte by byte, cut short or
// malformed, and for reading exactly what the server sends back.
#include <chrono>
#include <functional>
#include <string>

class RawConnection {
public:
    // From the loopback address from (127.0.0.1 when not given): another address is another client.
    explicit RawConnection(int port, const char* from = nullptr);
    ~RawConnection();
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    bool Connected() const { return socket_ >= 0; }
    // false when the server no longer takes data (it closed the connection).
    bool Send(const std::string& bytes);
    // Reads until the server closes the connection or the time is up; true when it closed.
    bool ReadUntilClosed(std::chrono::milliseconds patience);
    // Reads until received() holds text or the time is up.
    bool ReadUntil(const std::string& text, std::chrono::milliseconds patience);
    // Reads until done(received()) or the time is up; returns done(received()).
    bool ReadUntil(const std::function<bool(const std::string&)>& done, std::chrono::milliseconds patience);
    bool Closed() const { return closed_; }
    // Everything received so far.
    const std::string& Received() const { return received_; }

private:
    // One wait for data of at most patience.
    void ReadSome(std::chrono::milliseconds patience);
    // Reads until done, the end of the connection or the end of patience; at least once.
    void ReadFor(std::chrono::milliseconds patience, const std::function<bool()>& done);

    int socket_ = -1;
    bool closed_ = false;
    std::string received_;
};

// The number of replies in what a server sent (status lines of HTTP/1.1 replies; the service's
// pages never hold such a text).
size_t ReplyCount(const std::string& received);
