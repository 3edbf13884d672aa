#pragma once
// Reads a scan document the way the engine writes it: a fixed layout of header and Data
// element around one ScanItem line per item. It is not well-formed XML: values stand
// unescaped in 8-bit ANSI text, and the device list's "ERROR" marker has no line end.
// What it reads are views into the document, which must outlive the report: nothing is
// copied, and a report that is read into again keeps its room for items.
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

struct ScanEntry {
    int64_t hash = 0;          // HWIDHASH
    std::string_view version;  // CURRENTVERSION as sent (ANSI, unescaped)
    std::string_view level;    // PLEVEL, empty when the line has none
};

struct ScanReport {
    std::string_view protocolVersion;
    std::string_view scanGuid;
    std::string_view osVersionCode;
    std::string_view email;
    std::string_view password;
    size_t passwordStart = 0;  // where the password stands in the document
    int32_t deviceCount = 0;
    bool deviceListError = false;  // the inventory begins with "ERROR"
    std::vector<ScanEntry> items;
    bool itemLimitReached = false;  // reading stopped at the limit on items
};

// Fills report (emptied first) and returns true when the document follows the layout and holds at most
// maxItems items; otherwise returns false and describes the first fault in error (plain text).
// The header values that the service records and shows are bounded: the scan identifier is a
// GUID in braces (or empty: a client that could not make one), the OS version a code of at most
// 8 ASCII letters and digits, the e-mail address at most 254 characters.
bool ReadScanDocument(std::string_view document, ScanReport& report, std::string& error,
                      size_t maxItems = std::numeric_limits<size_t>::max());
