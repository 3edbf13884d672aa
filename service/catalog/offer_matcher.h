#pragma once
// Which catalog entries a scan report gets offered.
#include "catalog_snapshot.h"
#include "scan_reader.h"

#include <cstdint>
#include <string_view>
#include <vector>

struct Offer {
    const CatalogEntry* entry;          // in the snapshot the offer was found in, which must outlive it
    std::string_view installedVersion;  // ANSI text in the document, which must outlive it too
    uint32_t entryIndex;                // of the entry in the snapshot (CatalogSnapshot::EntryAt)
};

// Every device gets at most one offer, decided by its most specific identity that the catalog
// knows: offered only when that entry is newer. In a leveled document a device is a run of
// consecutive items with one version and levels rising in the order "N", "0", "1", "2". Items
// without a level (the desktop program's) are grouped by consecutive equal versions, and in a
// group the known identities that are cuts of one another (before "&REV_", 13 bytes after the
// start of "&SUBSYS_", before "&SUBSYS_") make one device. A catalog entry is offered at most
// once per document. Only the entries for the document's OS code or for every Windows count.
// Each item is looked up once; the work allocates nothing per item. offers is emptied first; a
// vector that is reused keeps its room.
void FindOffers(const ScanReport& report, const CatalogSnapshot& catalog, std::vector<Offer>& offers);
