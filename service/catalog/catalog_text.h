#pragma once
// The catalog's text format: one entry per line, four to six fields separated by "|",
//   identity | name | version | download [| os-codes [| date]]
// with spaces around the fields ignored. os-codes lists the OS codes of the documents the entry
// is for ("4,6"), one entry per code; without them (or empty) it is for every Windows. date is a
// driver's date, YYYY-MM-DD. Empty lines and lines starting with "#" are skipped.
#include "catalog_entry.h"

#include <string>
#include <string_view>
#include <vector>

struct CatalogText {
    std::vector<CatalogEntry> entries;
    std::vector<std::string> errors;  // "line N: ..." for every line that was refused
};

CatalogText ReadCatalogText(std::string_view text);

// Whether year, month and day name a day of the Gregorian calendar.
bool IsCalendarDate(unsigned year, unsigned month, unsigned day);

// Whether a download address is one the catalog takes: http://, https:// or a path starting with /.
bool IsCatalogDownload(std::string_view address);

// The HWIDHASH under which documents name this identity: the engine hashes the identity's
// ANSI (page 1252) bytes. Empty when the identity has no page 1252 form.
std::string CatalogIdentityHash(const std::string& utf8Identity);
