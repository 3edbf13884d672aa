#include "catalog_text.h"

#include "ansi_text.h"
#include "scan_document_layout.h"
#include "version_number.h"

#include <array>

namespace {

std::string_view Trimmed(std::string_view text)
{
    size_t start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos)
        return {};
    return text.substr(start, text.find_last_not_of(" \t") - start + 1);
}

bool IsAllowedDownload(std::string_view address)
{
    for (std::string_view prefix : {"http://", "https://", "/"}) {
        if (address.substr(0, prefix.size()) == prefix && address.size() > prefix.size())
            return true;
    }
    return false;
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
    if (!IsAllowedDownload(entry.download))
        return "the download must be an http:// or https:// address or a path starting with /";
    return {};
}

}  // namespace

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
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        line = Trimmed(line);
        if (line.empty() || line.front() == '#')
            continue;

        std::array<std::string_view, 4> fields;
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
        if (count + 1 != fields.size()) {
            result.errors.push_back(where + "expected 4 fields separated by |, found " + std::to_string(count + 1));
            continue;
        }
        CatalogEntry entry{std::string(fields[0]), std::string(fields[1]), std::string(fields[2]),
                           std::string(fields[3])};
        std::string fault = Fault(entry);
        if (!fault.empty())
            result.errors.push_back(where + fault);
        else
            result.entries.push_back(std::move(entry));
    }
    return result;
}
