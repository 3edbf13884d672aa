#pragma once
// The catalog's text format: one entry per line, four fields separated by "|",
//   identity | name | version | download
// with spaces around the fields ignored. Empty lines and lines starting with "#" are skipped.
#include "catalog_entry.h"

#include <string>
#include <string_view>
#include <vector>

struct CatalogText {
    std::vector<CatalogEntry> entries;
    std::vector<std::string> errors;  // "line N: ..." for every line that was refused
};

CatalogText ReadCatalogText(std::string_view text);

// The HWIDHASH under which documents name this identity: the engine hashes the identity's
// ANSI (page 1252) bytes. Empty when the identity has no page 1252 form.
std::string CatalogIdentityHash(const std::string& utf8Identity);
