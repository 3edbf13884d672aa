#include "scan_reader.h"

#include "hex_digit.h"

#include <algorithm>
#include <charconv>

namespace {

constexpr std::string_view kDeclarationAndRoot =
    "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n<ScanInstance ProtocolVersion=\"";
constexpr std::string_view kDocumentEnd = "\r\n</Data>\r\n</ScanInstance>";
constexpr std::string_view kDeviceListError = "ERROR";
constexpr std::string_view kItemStart = "<ScanItem HWIDHASH=\"";
constexpr std::string_view kVersionStart = "\" CURRENTVERSION=\"";
constexpr std::string_view kLevelStart = "\" PLEVEL=\"";
constexpr std::string_view kItemEnd = "\" />\r\n";

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
    std::string ScanReport::*field;
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

// The value of CURRENTVERSION ends at the first double quote that is followed by the rest of a
// line end, with or without a level: values may hold quotes of their own.
bool ReadVersionAndLevel(Cursor& cursor, ScanEntry& entry)
{
    std::string_view rest = cursor.Rest();
    for (size_t quote = rest.find('"'); quote != std::string_view::npos; quote = rest.find('"', quote + 1)) {
        std::string_view tail = rest.substr(quote);
        if (tail.substr(0, kItemEnd.size()) == kItemEnd) {
            entry.version = std::string(rest.substr(0, quote));
            return cursor.Skip(rest.substr(0, quote + kItemEnd.size()));
        }
        if (tail.substr(0, kLevelStart.size()) != kLevelStart)
            continue;
        size_t levelStart = quote + kLevelStart.size();
        size_t levelEnd = rest.find('"', levelStart);
        if (levelEnd == std::string_view::npos || levelEnd == levelStart)
            continue;
        if (rest.substr(levelEnd, kItemEnd.size()) != kItemEnd)
            continue;
        entry.version = std::string(rest.substr(0, quote));
        entry.level = std::string(rest.substr(levelStart, levelEnd - levelStart));
        return cursor.Skip(rest.substr(0, levelEnd + kItemEnd.size()));
    }
    return false;
}

bool ReadItem(Cursor& cursor, ScanEntry& entry, std::string& error)
{
    std::string_view hash;
    int64_t hashValue = 0;
    if (!cursor.Skip(kItemStart) || !cursor.ReadUntil("\"", hash)) {
        error = "a ScanItem line is expected";
        return false;
    }
    if (!ParseWholeNumber(hash, hashValue)) {
        error = "HWIDHASH is not a 64-bit decimal number";
        return false;
    }
    entry.hash = hashValue;
    // ReadUntil consumed the closing quote of HWIDHASH, which kVersionStart begins with.
    if (!cursor.Skip(kVersionStart.substr(1))) {
        error = "CURRENTVERSION is missing";
        return false;
    }
    if (!ReadVersionAndLevel(cursor, entry)) {
        error = "the ScanItem line is truncated";
        return false;
    }
    return true;
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
        ScanEntry entry;
        size_t start = cursor.Position();
        if (!ReadItem(cursor, entry, error)) {
            error = "Item " + std::to_string(report.items.size() + 1) + " (byte " + std::to_string(start) +
                    " of the inventory): " + error + ".";
            return false;
        }
        report.items.push_back(std::move(entry));
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
    report = ScanReport();
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
        report.*field.field = std::string(value);
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
