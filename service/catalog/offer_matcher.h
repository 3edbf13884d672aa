#pragma once
// Which catalog entries a scan report gets offered.
#include "catalog_entry.h"
#include "scan_reader.h"

#include <string>
#include <string_view>
#include <vector>

struct Offer {
    const CatalogEntry* entry;     // in the catalog the offer was found in, which must outlive it
    std::string installedVersion;  // ANSI text from the document
};

// The catalog as the matcher reads it.
class CatalogLookup {
public:
    virtual ~CatalogLookup() = default;
    // The entry known under an HWIDHASH for a document of an OS code: the identity's entry for
    // that code, else its entry for every Windows; nullptr when there is neither (entries made
    // for other codes do not exist for the document). An identity and code have one entry
    // object: whatever finds it gets the same one.
    virtual const CatalogEntry* Find(int64_t hash, std::string_view osCode) const = 0;
};

// Every device gets at most one offer, decided by its most specific identity that the catalog
// knows: offered only when that entry is newer. In a leveled document a device is a run of
// consecutive items with one version and levels rising in the order "N", "0", "1", "2". Items
// without a level (the desktop program's) are grouped by consecutive equal versions, and in a
// group the known identities that are cuts of one another (before "&REV_", 13 bytes after the
// start of "&SUBSYS_", before "&SUBSYS_") make one device. A catalog entry is offered at most
// once per document. Only the entries for the document's OS code or for every Windows count.
std::vector<Offer> FindOffers(const ScanReport& report, const CatalogLookup& lookup);
