#include "http_response.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>

namespace {

// The time now as HTTP writes it, "Sun, 06 Nov 1994 08:49:37 GMT"; made once a second per thread.
const char* HttpDateNow()
{
    thread_local std::time_t shown = -1;
    thread_local char text[32] = "";
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    // The service never sets a locale: strftime writes the C locale's English names.
    if (now != shown && gmtime_r(&now, &parts) &&
        std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &parts) > 0)
        shown = now;
    return text;
}

}  // namespace

FileBody::~FileBody()
{
    if (descriptor_ >= 0)
        close(descriptor_);
}

FileBody::FileBody(FileBody&& other) noexcept : descriptor_(other.descriptor_), size_(other.size_)
{
    other.descriptor_ = -1;
}

FileBody& FileBody::operator=(FileBody&& other) noexcept
{
    if (this != &other) {
        if (descriptor_ >= 0)
            close(descriptor_);
        descriptor_ = other.descriptor_;
        size_ = other.size_;
        other.descriptor_ = -1;
    }
    return *this;
}

FileBody FileBody::Open(const std::string& path)
{
    int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return {};
    struct stat info {};
    if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(descriptor);
        return {};
    }
    return {descriptor, info.st_size};
}

const char* ReasonPhrase(int status)
{
    switch (status) {
    case 100:
        return "Continue";
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 408:
        return "Request Timeout";
    case 411:
        return "Length Required";
    case 413:
        return "Payload Too Large";
    case 414:
        return "URI Too Long";
    case 415:
        return "Unsupported Media Type";
    case 417:
        return "Expectation Failed";
    case 431:
        return "Request Header Fields Too Large";
    case 500:
        return "Internal Server Error";
    case 501:
        return "Not Implemented";
    case 503:
        return "Service Unavailable";
    case 505:
        return "HTTP Version Not Supported";
    default:
        return "Unknown";
    }
}

std::string ResponseHead(const HttpResponse& response, bool keepAlive)
{
    // Appended to one buffer: a reply's head costs one allocation.
    std::string head;
    head.reserve(160);
    head += "HTTP/1.1 ";
    head += std::to_string(response.status);
    head += ' ';
    head += ReasonPhrase(response.status);
    head += "\r\nDate: ";
    head += HttpDateNow();
    head += "\r\n";
    if (!response.contentType.empty()) {
        head += "Content-Type: ";
        head += response.contentType;
        head += "\r\n";
    }
    head += "Content-Length: ";
    head += std::to_string(response.BodyLength());
    head += "\r\n";
    for (const auto& [name, value] : response.fields) {
        head += name;
        head += ": ";
        head += value;
        head += "\r\n";
    }
    head += keepAlive ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n";
    return head;
}
