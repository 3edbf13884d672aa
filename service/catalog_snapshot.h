#pragma once
// The catalog as the service answers from it: an immutable copy in memory, indexed by the
// HWIDHASH under which documents name each identity.
#include "catalog_entry.h"
#include "offer_matcher.h"

#include <string>
#include <unordered_map>
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
    // When identities share a hash, the first in byte order of the identity is found.
    CatalogSnapshot(std::vector<CatalogRow> rows, long long version);

    const CatalogEntry* Find(const std::string& hashDecimal) const override;
    size_t EntryCount() const { return entryCount_; }
    // The database's catalog version this copy was taken at.
    long long Version() const { return version_; }

private:
    std::unordered_map<std::string, CatalogEntry> byHash_;
    size_t entryCount_ = 0;
    long long version_ = 0;
};
