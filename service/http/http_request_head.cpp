#include "http_request_head.h"

#include <algorithm>
#include <iterator>
#include <limits>

namespace {

constexpr size_t kMaxFields = 100;

// The methods that HTTP defines; the routes answer 405 to those an address does not take.
constexpr std::string_view kKnownMethods[] = {"GET",     "HEAD",    "POST",  "PUT",  "DELETE",
                                              "CONNECT", "OPTIONS", "TRACE", "PATCH"};

bool IsTokenChar(char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

bool IsToken(std::string_view text)
{
    for (char c : text) {
        if (!IsTokenChar(c))
            return false;
    }
    return !text.empty();
}

bool IsControl(char c)
{
    unsigned char byte = static_cast<unsigned char>(c);
    return (byte < 0x20 && c != '\t') || byte == 0x7F;
}

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    }
    return true;
}

std::string_view TrimmedWhiteSpace(std::string_view text)
{
    size_t start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos)
        return {};
    return text.substr(start, text.find_last_not_of(" \t") - start + 1);
}

// One past the empty line that ends the head, or npos while it has not arrived.
size_t HeadEnd(std::string_view text, size_t start)
{
    for (size_t lineEnd = text.find('\n', start); lineEnd != std::string_view::npos;
         lineEnd = text.find('\n', lineEnd + 1)) {
        std::string_view next = text.substr(lineEnd + 1);
        if (next.substr(0, 1) == "\n")
            return lineEnd + 2;
        if (next.substr(0, 2) == "\r\n")
            return lineEnd + 3;
    }
    return std::string_view::npos;
}

// Splits the head into lines without their CR LF or LF.
class Lines {
public:
    explicit Lines(std::string_view text) : text_(text) {}
    bool Next(std::string_view& line)
    {
        if (text_.empty())
            return false;
        size_t end = text_.find('\n');
        line = text_.substr(0, end);
        text_.remove_prefix(end == std::string_view::npos ? text_.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        return true;
    }

private:
    std::string_view text_;
};

// "METHOD /target HTTP/1.x"; 0 or the status that refuses it.
int ReadRequestLine(std::string_view line, RequestHead& head)
{
    size_t firstSpace = line.find(' ');
    size_t secondSpace = line.find(' ', firstSpace == std::string_view::npos ? line.size() : firstSpace + 1);
    if (secondSpace == std::string_view::npos)
        return 400;
    std::string_view method = line.substr(0, firstSpace);
    std::string_view target = line.substr(firstSpace + 1, secondSpace - firstSpace - 1);
    std::string_view version = line.substr(secondSpace + 1);
    if (!IsToken(method) || target.empty() || target.front() != '/')
        return 400;
    for (char c : target) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F)
            return 400;
    }
    if (version.size() != 8 || version.substr(0, 5) != "HTTP/" || version[6] != '.' || version[5] < '0' ||
        version[5] > '9' || version[7] < '0' || version[7] > '9')
        return 400;
    if (version[5] != '1' || version[7] > '1')
        return 505;
    if (std::find(std::begin(kKnownMethods), std::end(kKnownMethods), method) == std::end(kKnownMethods))
        return 501;
    head.method = std::string(method);
    head.target = std::string(target);
    head.minorVersion = version[7] - '0';
    return 0;
}

struct FieldState {
    size_t hosts = 0;
    bool lengthSeen = false;
    bool close = false;
    bool keepAlive = false;
};

int ReadContentLength(std::string_view value, RequestHead& head, FieldState& state)
{
    if (value.empty())
        return 400;
    size_t length = 0;
    for (char c : value) {
        if (c < '0' || c > '9')
            return 400;
        size_t digit = static_cast<size_t>(c - '0');
        const size_t limit = std::numeric_limits<size_t>::max();
        length = length > (limit - digit) / 10 ? limit : length * 10 + digit;
    }
    if (state.lengthSeen && length != head.contentLength)
        return 400;
    state.lengthSeen = true;
    head.contentLength = length;
    return 0;
}

void ReadConnectionOptions(std::string_view value, FieldState& state)
{
    while (!value.empty()) {
        size_t comma = value.find(',');
        std::string_view option = TrimmedWhiteSpace(value.substr(0, comma));
        state.close = state.close || EqualsIgnoringCase(option, "close");
        state.keepAlive = state.keepAlive || EqualsIgnoringCase(option, "keep-alive");
        value.remove_prefix(comma == std::string_view::npos ? value.size() : comma + 1);
    }
}

// "Name: value"; 0 or the status that refuses it.
int ReadField(std::string_view line, RequestHead& head, FieldState& state)
{
    size_t colon = line.find(':');
    if (colon == std::string_view::npos || !IsToken(line.substr(0, colon)))
        return 400;  // also a folded continuation line, which starts with white space
    std::string_view name = line.substr(0, colon);
    std::string_view value = TrimmedWhiteSpace(line.substr(colon + 1));
    for (char c : value) {
        if (IsControl(c))
            return 400;
    }
    if (EqualsIgnoringCase(name, "Content-Length"))
        return ReadContentLength(value, head, state);
    if (EqualsIgnoringCase(name, "Transfer-Encoding"))
        return 411;
    if (EqualsIgnoringCase(name, "Host"))
        ++state.hosts;
    if (EqualsIgnoringCase(name, "Connection"))
        ReadConnectionOptions(value, state);
    if (EqualsIgnoringCase(name, "Expect")) {
        if (!EqualsIgnoringCase(value, "100-continue"))
            return 417;
        head.expectsContinue = true;
    }
    if (EqualsIgnoringCase(name, "Content-Type"))
        head.multipartForm = EqualsIgnoringCase(value.substr(0, 19), "multipart/form-data");
    return 0;
}

HeadReading Refused(int status)
{
    return {HeadStatus::Refused, 0, status, 0};
}

}  // namespace

RequestHead RequestLineOf(std::string_view received)
{
    size_t start = received.find_first_not_of("\r\n");
    size_t end = received.find('\n', start == std::string_view::npos ? received.size() : start);
    if (end == std::string_view::npos)
        return {};
    std::string_view line = received.substr(start, end - start);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    RequestHead head;
    return ReadRequestLine(line, head) == 0 ? head : RequestHead();
}

HeadReading ReadRequestHead(std::string_view received, size_t maxHeadBytes, RequestHead& head, size_t searchFrom)
{
    head = RequestHead();
    size_t start = received.find_first_not_of("\r\n");
    if (start == std::string_view::npos)
        start = received.size();
    size_t end = HeadEnd(received, std::max(start, searchFrom));
    if (end == std::string_view::npos && received.size() <= maxHeadBytes) {
        // The end may begin at either of the last two bytes (a line end, then CR LF or LF).
        HeadReading incomplete;
        incomplete.searched = received.size() < 2 ? 0 : received.size() - 2;
        return incomplete;
    }
    if (end == std::string_view::npos || end > maxHeadBytes) {
        size_t requestLineEnd = received.find('\n', start);
        return Refused(requestLineEnd == std::string_view::npos || requestLineEnd >= maxHeadBytes ? 414 : 431);
    }

    Lines lines(received.substr(start, end - start));
    std::string_view line;
    lines.Next(line);
    if (int refusal = ReadRequestLine(line, head))
        return Refused(refusal);
    FieldState state;
    size_t fields = 0;
    while (lines.Next(line) && !line.empty()) {
        if (++fields > kMaxFields)
            return Refused(431);
        if (int refusal = ReadField(line, head, state))
            return Refused(refusal);
    }
    if (state.hosts > 1 || (head.minorVersion == 1 && state.hosts == 0))
        return Refused(400);
    head.keepAlive = !state.close && (head.minorVersion == 1 || state.keepAlive);
    head.expectsContinue = head.expectsContinue && head.minorVersion == 1;
    return {HeadStatus::Complete, end, 0, 0};
}
