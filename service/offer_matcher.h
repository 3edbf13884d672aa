#pragma once
// Which catalog entries a scan report gets offered.
#include "catalog_entry.h"
#include "scan_reader.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

struct Offer {
    CatalogEntry entry;
    std::string installedVersion;  // ANSI text from the document
};

// The catalog entry known under an HWIDHASH decimal, if any.
using CatalogLookup = std::function<std::optional<CatalogEntry>(const std::string& hashDecimal)>;

// A device of a leveled document is a run of consecutive items with one version and levels
// rising in the order "N", "0", "1", "2": it gets at most one offer, decided by its most
// specific identity that the catalog knows. Items without a level stand for themselves. A
// catalog entry is offered at most once per document.
std::vector<Offer> FindOffers(const ScanReport& report, const CatalogLookup& lookup);
