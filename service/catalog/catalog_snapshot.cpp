#include "catalog_snapshot.h"

#include "catalog_text.h"

#include <algorithm>
#include <charconv>

namespace {

bool ReadHash(const std::string& decimal, int64_t& hash)
{
    const char* end = decimal.data() + decimal.size();
    auto [stop, fault] = std::from_chars(decimal.data(), end, hash);
    return fault == std::errc() && stop == end && !decimal.empty();
}

// The slot to start probing at: the hash mixed (Fibonacci hashing) down to the table's bits.
size_t Home(int64_t hash, size_t slotCount)
{
    return static_cast<size_t>((static_cast<uint64_t>(hash) * 0x9E3779B97F4A7C15ull) >> 32) & (slotCount - 1);
}

}  // namespace

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

CatalogSnapshot::CatalogSnapshot(std::vector<CatalogRow> rows, long long version) : version_(version)
{
    std::sort(rows.begin(), rows.end(),
              [](const CatalogRow& a, const CatalogRow& b) { return a.entry.identity < b.entry.identity; });
    size_t slotCount = 16;
    while (slotCount < rows.size() * 2)
        slotCount *= 2;
    slots_.resize(slotCount);
    entries_.reserve(rows.size());
    for (CatalogRow& row : rows) {
        int64_t hash = 0;
        if (!ReadHash(row.hashDecimal, hash) || (!entries_.empty() && entries_.back().identity == row.entry.identity))
            continue;  // not a hash, or an identity listed twice: it has one entry
        size_t at = Home(hash, slotCount);
        while (slots_[at].entry != 0 && slots_[at].hash != hash)
            at = (at + 1) & (slotCount - 1);
        if (slots_[at].entry != 0)
            continue;  // an identity earlier in byte order has this hash
        entries_.push_back(std::move(row.entry));
        slots_[at] = {hash, static_cast<uint32_t>(entries_.size())};
    }
}

const CatalogSnapshot::Slot* CatalogSnapshot::SlotOf(int64_t hash) const
{
    for (size_t at = Home(hash, slots_.size());; at = (at + 1) & (slots_.size() - 1)) {
        const Slot& slot = slots_[at];
        if (slot.entry == 0 || slot.hash == hash)
            return &slot;
    }
}

const CatalogEntry* CatalogSnapshot::Find(int64_t hash) const
{
    const Slot* slot = SlotOf(hash);
    return slot->entry == 0 ? nullptr : &entries_[slot->entry - 1];
}

void CatalogSnapshot::Prefetch(const std::vector<ScanEntry>& items) const
{
    for (const ScanEntry& item : items)
        __builtin_prefetch(&slots_[Home(item.hash, slots_.size())]);
    for (const ScanEntry& item : items) {
        const Slot* slot = SlotOf(item.hash);
        if (slot->entry != 0)
            __builtin_prefetch(&entries_[slot->entry - 1].version);
    }
}
