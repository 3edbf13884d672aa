#include "catalog_text.h"

#include "ansi_text.h"
#include "plain_text.h"
#include "scan_document_layout.h"
#include "version_number.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace {

constexpr size_t kLongestOsCode = 8;

// "4,6": codes of ASCII letters and digits, as documents send them; each once.
bool ReadOsCodes(std::string_view field, std::vector<std::string>& codes)
{
    for (size_t start = 0;;) {
        size_t comma = field.find(',', start);
        std::string_view code = Trimmed(field.substr(start, comma == std::string_view::npos ? comma : comma - start));
        if (code.empty() || code.size() > kLongestOsCode ||
            std::any_of(code.begin(), code.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }))
            return false;
        if (std::find(codes.begin(), codes.end(), code) == codes.end())
            codes.emplace_back(code);
        if (comma == std::string_view::npos)
            return true;
        start = comma + 1;
    }
}

bool IsIsoDate(std::string_view date)
{
    auto number = [&](size_t start, size_t length) {
        unsigned value = 0;
        for (size_t i = start; i < start + length; ++i)
            value = std::isdigit(static_cast<unsigned char>(date[i])) ? value * 10 + unsigned(date[i] - '0') : 100000;
        return value;
    };
    return date.size() == 10 && date[4] == '-' && date[7] == '-' &&
           IsCalendarDate(number(0, 4), number(5, 2), number(8, 2));
}

// Checks one entry; returns the reason it is refused, or empty.
std::string Fault(const CatalogEntry& entry)
{
    if (entry.identity.empty())
        return "the identity is empty";
    if (CatalogIdentityHash(entry.identity).empty())
        return "the identity is not valid UTF-8 or has characters outside Windows code page 1252";
    if (entry.name.empty())
        return "the name is empty";
    if (!ReadVersionNumbers(entry.version))
        return "the version does not begin with a number";
    if (!IsCatalogDownload(entry.download))
        return "the download must be an http:// or https:// address or a path starting with /";
    return {};
}

}  // namespace

bool IsCatalogDownload(std::string_view address)
{
    for (std::string_view prefix : {"http://", "https://", "/"}) {
        if (address.substr(0, prefix.size()) == prefix && address.size() > prefix.size())
            return true;
    }
    return false;
}

bool IsCalendarDate(unsigned year, unsigned month, unsigned day)
{
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const unsigned days[] = {31, leap ? 29u : 28u, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return year >= 1 && month >= 1 && month <= 12 && day >= 1 && day <= days[month - 1];
}

std::string CatalogIdentityHash(const std::string& utf8Identity)
{
    std::optional<std::string> ansi = Utf8ToAnsi(utf8Identity);
    return ansi ? IdentityHashDecimal(*ansi) : std::string();
}

CatalogText ReadCatalogText(std::string_view text)
{
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark)
        text.remove_prefix(kByteOrderMark.size());
    CatalogText result;
    size_t lineNumber = 0;
    while (!text.empty()) {
        std::string_view line = Trimmed(TakeLine(text));
        ++lineNumber;
        if (line.empty() || line.front() == '#')
            continue;

        std::array<std::string_view, 6> fields;
        size_t count = 0;
        for (size_t start = 0;; ++count) {
            size_t bar = line.find('|', start);
            if (count < fields.size())
                fields[count] = Trimmed(line.substr(start, bar == std::string_view::npos ? bar : bar - start));
            if (bar == std::string_view::npos)
                break;
            start = bar + 1;
        }
        std::string where = "line " + std::to_string(lineNumber) + ": ";
        if (count + 1 < 4 || count + 1 > fields.size()) {
            result.errors.push_back(where + "expected 4 to 6 fields separated by |, found " +
                                    std::to_string(count + 1));
            continue;
        }
        std::vector<std::string> codes;
        if (!fields[4].empty() && !ReadOsCodes(fields[4], codes)) {
            result.errors.push_back(where +
                                    "the OS codes must be codes of 1 to 8 letters and digits separated by commas");
            continue;
        }
        if (!fields[5].empty() && !IsIsoDate(fields[5])) {
            result.errors.push_back(where + "the date must be a day written YYYY-MM-DD");
            continue;
        }
        CatalogEntry entry{std::string(fields[0]), std::string(fields[1]), std::string(fields[2]),
                           std::string(fields[3]), std::string(),          std::string(fields[5])};
        std::string fault = Fault(entry);
        if (!fault.empty()) {
            result.errors.push_back(where + fault);
            continue;
        }
        if (codes.empty())
            codes.emplace_back();
        for (std::string& code : codes) {
            entry.osCode = std::move(code);
            result.entries.push_back(entry);
        }
    }
    return result;
}
