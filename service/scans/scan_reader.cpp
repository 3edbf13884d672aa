#include "scan_reader.h"

#include "hex_digit.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>

namespace {

constexpr std::string_view kDeclarationAndRoot =
    "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n<ScanInstance ProtocolVersion=\"";
constexpr std::string_view kDocumentEnd = "\r\n</Data>\r\n</ScanInstance>";
constexpr std::string_view kDeviceListError = "ERROR";
// The parts of an item line, as arrays: their lengths are known when compiling.
constexpr char kItemStart[] = "<ScanItem HWIDHASH=\"";
constexpr char kVersionRest[] = " CURRENTVERSION=\"";  // after the quote that ends HWIDHASH
constexpr char kLevelStart[] = "\" PLEVEL=\"";
constexpr char kItemEnd[] = "\" />\r\n";

// A position in the document that only moves forward.
class Cursor {
public:
    explicit Cursor(std::string_view text) : text_(text) {}

    bool AtEnd() const { return pos_ == text_.size(); }
    size_t Position() const { return pos_; }
    std::string_view Rest() const { return text_.substr(pos_); }

    bool Skip(std::string_view literal)
    {
        if (Rest().substr(0, literal.size()) != literal)
            return false;
        pos_ += literal.size();
        return true;
    }
    void Advance(size_t length) { pos_ += length; }

    // The text up to the first occurrence of terminator; the terminator is consumed too.
    bool ReadUntil(std::string_view terminator, std::string_view& value)
    {
        size_t end = text_.find(terminator, pos_);
        if (end == std::string_view::npos)
            return false;
        value = text_.substr(pos_, end - pos_);
        pos_ = end + terminator.size();
        return true;
    }

private:
    std::string_view text_;
    size_t pos_ = 0;
};

bool IsAsciiLetterOrDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The registry form of a GUID, "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"; empty when the client
// could not make one.
bool IsScanGuid(std::string_view value)
{
    constexpr std::string_view kForm = "{00000000-0000-0000-0000-000000000000}";
    if (value.empty())
        return true;
    if (value.size() != kForm.size())
        return false;
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        const bool hexDigit = HexDigitValue(c) >= 0;
        if (kForm[i] == '0' ? !hexDigit : c != kForm[i])
            return false;
    }
    return true;
}

// The engine's codes are a digit or empty.
bool IsOsVersionCode(std::string_view value)
{
    return value.size() <= 8 && std::all_of(value.begin(), value.end(), IsAsciiLetterOrDigit);
}

// Characters of page 1252 are one byte each.
bool IsEmailOfUsualLength(std::string_view value)
{
    return value.size() <= 254;
}

struct HeaderField {
    std::string_view ScanReport::*field;
    std::string_view terminator;
    const char* name;
    // Values that go into the service's records and pages are checked: nullptr for the others.
    bool (*valid)(std::string_view value);
    const char* invalid;
};

// Each header value ends where the fixed text that follows it in the layout begins.
const HeaderField kHeaderFields[] = {
    {&ScanReport::protocolVersion, "\">\r\n<Header>\r\n<ScanGUID>", "protocol version", nullptr, ""},
    {&ScanReport::scanGuid, "</ScanGUID>\r\n<OSVersion>", "scan identifier", IsScanGuid,
     "The scan identifier is not a GUID in braces."},
    {&ScanReport::osVersionCode, "</OSVersion>\r\n<Email>", "OS version", IsOsVersionCode,
     "The OS version is not a code of at most 8 letters and digits."},
    {&ScanReport::email, "</Email>\r\n<Password>", "e-mail address", IsEmailOfUsualLength,
     "The e-mail address is longer than 254 characters."},
    {&ScanReport::password, "</Password>\r\n<IP>127.0.0.1</IP>\r\n</Header>\r\n<Data NumberOfDevices=\"", "password",
     nullptr, ""},
};

template <typename Number>
bool ParseWholeNumber(std::string_view text, Number& value)
{
    const char* end = text.data() + text.size();
    auto [stop, fault] = std::from_chars(text.data(), end, value);
    return fault == std::errc() && stop == end && !text.empty();
}

// The 8 bytes at text as one number, the first byte lowest.
uint64_t EightBytes(const char* text)
{
    uint64_t bytes = 0;
    std::memcpy(&bytes, text, 8);
    if constexpr (__BYTE_ORDER__ == __ORDER_BIG_ENDIAN__)
        bytes = __builtin_bswap64(bytes);
    return bytes;
}

// Whether eight bytes are all decimal digits: each is 0x30 to 0x39, its high half is 3, and
// adding 6 keeps it 3.
bool AllDigits(uint64_t bytes)
{
    return (bytes & 0xF0F0F0F0F0F0F0F0u) == 0x3030303030303030u &&
           ((bytes + 0x0606060606060606u) & 0xF0F0F0F0F0F0F0F0u) == 0x3030303030303030u;
}

// The number that eight decimal digits stand for, all eight at once.
uint64_t EightDigitsValue(uint64_t bytes)
{
    bytes = ((bytes & 0x0F0F0F0F0F0F0F0Fu) * 2561) >> 8;             // pairs of digits
    bytes = ((bytes & 0x00FF00FF00FF00FFu) * 6553601) >> 16;         // groups of four
    return ((bytes & 0x0000FFFF0000FFFFu) * 42949672960001u) >> 32;  // all eight
}

// The position of the first double quote in text from start on, or npos; eight bytes at a time
// (values are short, a call of memchr would cost more).
size_t NextQuote(std::string_view text, size_t start)
{
    constexpr uint64_t kOnes = 0x0101010101010101u, kHighs = 0x8080808080808080u;
    size_t at = start;
    for (; at <= text.size() && text.size() - at >= 8; at += 8) {
        // A byte that is a quote becomes 0; the lowest high bit left marks the first of them.
        const uint64_t differ = EightBytes(text.data() + at) ^ (kOnes * '"');
        if (const uint64_t zero = (differ - kOnes) & ~differ & kHighs)
            return at + static_cast<size_t>(__builtin_ctzll(zero) / 8);
    }
    for (; at < text.size(); ++at) {
        if (text[at] == '"')
            return at;
    }
    return std::string_view::npos;
}

// Whether text holds the literal (a string constant) at position at; the length is known when
// compiling, so the comparison is a few loads.
template <size_t N>
bool LiteralAt(std::string_view text, size_t at, const char (&literal)[N])
{
    return at <= text.size() && text.size() - at >= N - 1 && std::memcmp(text.data() + at, literal, N - 1) == 0;
}

// The decimal HWIDHASH up to its closing quote, read straight into the integer; the cursor
// then stands after the quote. nullptr, or the reason, when it is not a 64-bit decimal number.
const char* ReadHash(Cursor& cursor, int64_t& hash)
{
    const std::string_view rest = cursor.Rest();
    const size_t end = NextQuote(rest, 0);
    if (end == std::string_view::npos)
        return "a ScanItem line is expected";
    const bool negative = end > 0 && rest[0] == '-';
    size_t start = negative ? 1 : 0;
    const bool digits = end > start;
    while (start < end && rest[start] == '0')
        ++start;  // leading zeros count for nothing
    // 19 digits fit in 64 unsigned bits; the magnitude may reach 2^63 for a negative number,
    // 2^63 - 1 for another.
    const uint64_t limit = static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + (negative ? 1 : 0);
    if (!digits || end - start > 19)
        return "HWIDHASH is not a 64-bit decimal number";
    uint64_t magnitude = 0;
    size_t at = start;
    for (const size_t head = start + (end - start) % 8; at < head; ++at) {
        if (rest[at] < '0' || rest[at] > '9')
            return "HWIDHASH is not a 64-bit decimal number";
        magnitude = magnitude * 10 + static_cast<unsigned>(rest[at] - '0');
    }
    for (; at < end; at += 8) {
        const uint64_t bytes = EightBytes(rest.data() + at);
        if (!AllDigits(bytes))
            return "HWIDHASH is not a 64-bit decimal number";
        magnitude = magnitude * 100000000 + EightDigitsValue(bytes);
    }
    if (magnitude > limit)
        return "HWIDHASH is not a 64-bit decimal number";
    hash = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
    cursor.Advance(end + 1);
    return nullptr;
}

// The value of CURRENTVERSION ends at the first double quote that is followed by the rest of a
// line end, with or without a level: values may hold quotes of their own.
bool ReadVersionAndLevel(Cursor& cursor, ScanEntry& entry)
{
    const std::string_view rest = cursor.Rest();
    for (size_t quote = NextQuote(rest, 0); quote != std::string_view::npos; quote = NextQuote(rest, quote + 1)) {
        if (LiteralAt(rest, quote, kLevelStart)) {
            const size_t levelStart = quote + sizeof kLevelStart - 1;
            const size_t levelEnd = NextQuote(rest, levelStart);
            if (levelEnd != std::string_view::npos && levelEnd != levelStart && LiteralAt(rest, levelEnd, kItemEnd)) {
                entry.version = rest.substr(0, quote);
                entry.level = rest.substr(levelStart, levelEnd - levelStart);
                cursor.Advance(levelEnd + sizeof kItemEnd - 1);
                return true;
            }
        } else if (LiteralAt(rest, quote, kItemEnd)) {
            entry.version = rest.substr(0, quote);
            entry.level = {};
            cursor.Advance(quote + sizeof kItemEnd - 1);
            return true;
        }
    }
    return false;
}

const char* ReadItem(Cursor& cursor, ScanEntry& entry)
{
    if (!LiteralAt(cursor.Rest(), 0, kItemStart))
        return "a ScanItem line is expected";
    cursor.Advance(sizeof kItemStart - 1);
    if (const char* fault = ReadHash(cursor, entry.hash))
        return fault;
    // ReadHash consumed the closing quote of HWIDHASH, which kVersionStart begins with.
    if (!LiteralAt(cursor.Rest(), 0, kVersionRest))
        return "CURRENTVERSION is missing";
    cursor.Advance(sizeof kVersionRest - 1);
    if (!ReadVersionAndLevel(cursor, entry))
        return "the ScanItem line is truncated";
    return nullptr;
}

bool ReadInventory(std::string_view inventory, size_t maxItems, ScanReport& report, std::string& error)
{
    Cursor cursor(inventory);
    // Item lines are rarely shorter than this: room for all of them at once.
    constexpr size_t kShortestUsualLine = 64;
    report.items.reserve(std::min(maxItems, inventory.size() / kShortestUsualLine + 1));
    report.deviceListError = cursor.Skip(kDeviceListError);
    if (report.deviceListError)
        cursor.Skip("\r\n");  // hand-made documents may end the marker's line
    while (!cursor.AtEnd()) {
        if (report.items.size() == maxItems) {
            report.itemLimitReached = true;
            error = "The document holds more than " + std::to_string(maxItems) + " items.";
            return false;
        }
        size_t start = cursor.Position();
        ScanEntry& entry = report.items.emplace_back();
        if (const char* fault = ReadItem(cursor, entry)) {
            report.items.pop_back();
            error = "Item " + std::to_string(report.items.size() + 1) + " (byte " + std::to_string(start) +
                    " of the inventory): " + fault + ".";
            return false;
        }
    }
    return true;
}

std::string_view WithoutTrailingWhiteSpace(std::string_view text)
{
    size_t end = text.find_last_not_of(" \t\r\n");
    return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

}  // namespace

bool ReadScanDocument(std::string_view document, ScanReport& report, std::string& error, size_t maxItems)
{
    std::vector<ScanEntry> items = std::move(report.items);
    items.clear();
    report = ScanReport();
    report.items = std::move(items);
    Cursor cursor(WithoutTrailingWhiteSpace(document));
    if (!cursor.Skip(kDeclarationAndRoot)) {
        error = "The document does not begin with the scan document's XML declaration and root element.";
        return false;
    }
    for (const HeaderField& field : kHeaderFields) {
        std::string_view value;
        size_t start = cursor.Position();
        if (!cursor.ReadUntil(field.terminator, value)) {
            error = std::string("The header is truncated or malformed after the ") + field.name + ".";
            return false;
        }
        if (field.valid && !field.valid(value)) {
            error = field.invalid;
            return false;
        }
        if (field.field == &ScanReport::password)
            report.passwordStart = start;
        report.*field.field = value;
    }
    std::string_view count;
    if (!cursor.ReadUntil("\">\r\n", count) || !ParseWholeNumber(count, report.deviceCount)) {
        error = "The Data element's NumberOfDevices is missing or not a 32-bit number.";
        return false;
    }
    std::string_view rest = cursor.Rest();
    if (rest.size() < kDocumentEnd.size() || rest.substr(rest.size() - kDocumentEnd.size()) != kDocumentEnd) {
        error = "The document is truncated: it does not end with the Data and ScanInstance end tags.";
        return false;
    }
    return ReadInventory(rest.substr(0, rest.size() - kDocumentEnd.size()), maxItems, report, error);
}
