#pragma once
// A reply of the service: status, content type, extra header fields and a body that is either
// text in memory or a file streamed from disk.
#include <sys/types.h>

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

// An open file that a reply streams; closes itself.
class FileBody {
public:
    FileBody() = default;
    FileBody(int descriptor, off_t size) : descriptor_(descriptor), size_(size) {}
    ~FileBody();
    FileBody(FileBody&& other) noexcept;
    FileBody& operator=(FileBody&& other) noexcept;
    FileBody(const FileBody&) = delete;
    FileBody& operator=(const FileBody&) = delete;

    // The regular file at path, opened for reading; an empty body when it is missing or not a
    // regular file.
    static FileBody Open(const std::string& path);
    bool IsOpen() const { return descriptor_ >= 0; }
    int Descriptor() const { return descriptor_; }
    off_t Size() const { return size_; }

private:
    int descriptor_ = -1;
    off_t size_ = 0;
};

struct HttpResponse {
    int status = 200;
    std::string contentType;
    std::vector<std::pair<std::string, std::string>> fields;  // extra header fields
    std::string body;
    FileBody file;          // when open, sent instead of body
    bool close = false;     // the connection ends after this reply
    bool omitBody = false;  // a reply to HEAD: the head as for GET, no body

    void SetContent(std::string text, const char* type)
    {
        body = std::move(text);
        contentType = type;
    }
    size_t BodyLength() const { return file.IsOpen() ? static_cast<size_t>(file.Size()) : body.size(); }
};

const char* ReasonPhrase(int status);

// The status line and header fields of the reply, with Date, Content-Length, Connection and the
// closing empty line.
std::string ResponseHead(const HttpResponse& response, bool keepAlive);
