#include "catalog_snapshot.h"

#include "catalog_text.h"

#include <algorithm>
#include <charconv>
#include <tuple>

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
    std::sort(rows.begin(), rows.end(), [](const CatalogRow& a, const CatalogRow& b) {
        return std::tie(a.entry.identity, a.entry.osCode) < std::tie(b.entry.identity, b.entry.osCode);
    });
    size_t slotCount = 16;
    while (slotCount < rows.size() * 2)
        slotCount *= 2;
    slots_.resize(slotCount);
    entries_.reserve(rows.size());
    const std::string* lastIdentity = nullptr;  // of the last row read
    Slot* identitySlot = nullptr;               // its slot; nullptr when that identity is left out
    for (CatalogRow& row : rows) {
        int64_t hash = 0;
        if (!ReadHash(row.hashDecimal, hash))
            continue;
        const bool sameIdentity = lastIdentity && *lastIdentity == row.entry.identity;
        if (sameIdentity && (!identitySlot || entries_.back().osCode == row.entry.osCode))
            continue;  // an identity left out, or an identity and code listed twice: it has one entry
        if (!sameIdentity) {
            lastIdentity = &row.entry.identity;
            size_t at = Home(hash, slotCount);
            while (slots_[at].entry != 0 && slots_[at].hash != hash)
                at = (at + 1) & (slotCount - 1);
            identitySlot = slots_[at].entry == 0 ? &slots_[at] : nullptr;
            if (!identitySlot)
                continue;  // an identity earlier in byte order has this hash
            *identitySlot = {hash, static_cast<uint32_t>(entries_.size() + 1), 0};
        }
        entries_.push_back(row.entry);
        ++identitySlot->count;
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

const CatalogEntry* CatalogSnapshot::Find(int64_t hash, std::string_view osCode) const
{
    const Slot* slot = SlotOf(hash);
    const CatalogEntry* everyWindows = nullptr;
    for (uint32_t i = slot->entry; i < slot->entry + slot->count; ++i) {
        const CatalogEntry& entry = entries_[i - 1];
        if (entry.osCode == osCode)
            return &entry;
        if (entry.osCode.empty())
            everyWindows = &entry;
    }
    return everyWindows;
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
