#pragma once
// The catalog as the service answers from it: an immutable copy in memory, indexed by the
// HWIDHASH under which documents name each identity. The index is one flat table of hash
// values with open addressing, so that a lookup of an unknown identity, half of a typical
// document, touches one place in memory. An identity may have several entries, each for
// documents of one OS code or for every Windows; they stand side by side, the one for every
// Windows first.
#include "catalog_entry.h"
#include "offer_matcher.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A catalog entry with the HWIDHASH decimal of its identity.
struct CatalogRow {
    std::string hashDecimal;
    CatalogEntry entry;
};

// The rows of entries, their hashes computed; entries whose identity has no hash are left out.
std::vector<CatalogRow> HashedRows(const std::vector<CatalogEntry>& entries);

class CatalogSnapshot : public CatalogLookup {
public:
    // When identities share a hash, the first in byte order of the identity is found. Rows whose
    // hash is not a 64-bit decimal are left out, and so are repeated identity and code pairs.
    CatalogSnapshot(std::vector<CatalogRow> rows, long long version);

    const CatalogEntry* Find(int64_t hash, std::string_view osCode) const override;
    // Asks the processor to load what looking up these items will read, all at once: random
    // reads in a large table wait for memory one by one, prefetches overlap.
    void Prefetch(const std::vector<ScanEntry>& items) const;
    size_t EntryCount() const { return entries_.size(); }
    // The database's catalog version this copy was taken at.
    long long Version() const { return version_; }

private:
    struct Slot {
        int64_t hash = 0;
        uint32_t entry = 0;  // index into entries_ of the identity's first entry plus one; 0 for an empty slot
        uint32_t count = 0;  // the identity's entries
    };

    const Slot* SlotOf(int64_t hash) const;

    std::vector<CatalogEntry> entries_;
    std::vector<Slot> slots_;  // a power of two, at most half full
    long long version_ = 0;
};
