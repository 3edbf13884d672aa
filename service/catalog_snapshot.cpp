#include "catalog_snapshot.h"

#include "catalog_text.h"

#include <algorithm>

std::vector<CatalogRow> HashedRows(const std::vector<CatalogEntry>& entries)
{
    std::vector<CatalogRow> rows;
    rows.reserve(entries.size());
    for (const CatalogEntry& entry : entries) {
        std::string hash = CatalogIdentityHash(entry.identity);
        if (!hash.empty())
            rows.push_back({std::move(hash), entry});
    }
    return rows;
}

CatalogSnapshot::CatalogSnapshot(std::vector<CatalogRow> rows, long long version)
    : entryCount_(rows.size()), version_(version)
{
    std::sort(rows.begin(), rows.end(),
              [](const CatalogRow& a, const CatalogRow& b) { return a.entry.identity < b.entry.identity; });
    byHash_.reserve(rows.size());
    for (CatalogRow& row : rows)
        byHash_.try_emplace(std::move(row.hashDecimal), std::move(row.entry));
}

const CatalogEntry* CatalogSnapshot::Find(const std::string& hashDecimal) const
{
    auto found = byHash_.find(hashDecimal);
    return found == byHash_.end() ? nullptr : &found->second;
}
