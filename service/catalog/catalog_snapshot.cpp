#include "catalog_snapshot.h"

#include "ansi_text.h"
#include "catalog_text.h"
#include "device_identity.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <tuple>

namespace {

// How many items ahead of its use a lookup's place in the table is asked for.
constexpr size_t kPrefetchDistance = 16;

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

KnownEntry::KnownEntry(CatalogEntry catalogEntry)
    : available(ReadVersionNumbers(catalogEntry.version).value_or(VersionNumbers())),
      entry(std::move(catalogEntry)),
      ansiIdentity(Utf8ToAnsi(entry.identity).value_or(entry.identity))
{
    for (const IdentityForm& form : DeviceIdentityForms(ansiIdentity, true))
        formLengths.push_back(form.hardwareId.size());
}

bool KnownEntry::HasForm(const KnownEntry& identity) const
{
    const std::string& cut = identity.ansiIdentity;
    return std::find(formLengths.begin(), formLengths.end(), cut.size()) != formLengths.end() &&
           ansiIdentity.compare(0, cut.size(), cut) == 0;
}

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
    std::optional<std::string> lastIdentity;  // of the last row read (rows are moved into entries_)
    Slot* identitySlot = nullptr;             // its slot; nullptr when that identity is left out
    for (CatalogRow& row : rows) {
        int64_t hash = 0;
        if (!ReadHash(row.hashDecimal, hash))
            continue;
        const bool sameIdentity = lastIdentity == row.entry.identity;
        if (sameIdentity && (!identitySlot || entries_.back().entry.osCode == row.entry.osCode))
            continue;  // an identity left out, or an identity and code listed twice: it has one entry
        if (!sameIdentity) {
            lastIdentity = row.entry.identity;
            size_t at = Home(hash, slotCount);
            while (slots_[at].count != 0 && slots_[at].hash != hash)
                at = (at + 1) & (slotCount - 1);
            identitySlot = slots_[at].count == 0 ? &slots_[at] : nullptr;
            if (!identitySlot)
                continue;  // an identity earlier in byte order has this hash
            *identitySlot = {hash, static_cast<uint32_t>(entries_.size()), 0};
        }
        entries_.emplace_back(std::move(row.entry));
        ++identitySlot->count;
    }
}

const CatalogSnapshot::Slot& CatalogSnapshot::SlotOf(int64_t hash) const
{
    for (size_t at = Home(hash, slots_.size());; at = (at + 1) & (slots_.size() - 1)) {
        const Slot& slot = slots_[at];
        if (slot.count == 0 || slot.hash == hash)
            return slot;
    }
}

IdentityEntries CatalogSnapshot::Find(int64_t hash) const
{
    const Slot& slot = SlotOf(hash);
    return slot.count == 0 ? IdentityEntries() : IdentityEntries(&entries_[slot.first], slot.count);
}

const KnownEntry* CatalogSnapshot::FindFor(int64_t hash, std::string_view osCode) const
{
    const KnownEntry* everyWindows = nullptr;
    for (const KnownEntry& known : Find(hash)) {
        if (known.entry.osCode == osCode)
            return &known;
        if (known.entry.osCode.empty())
            everyWindows = &known;
    }
    return everyWindows;
}

void CatalogSnapshot::FindAll(const std::vector<ScanEntry>& items, std::string_view osCode,
                              std::vector<const KnownEntry*>& known) const
{
    known.resize(items.size());
    for (size_t i = 0; i < std::min(kPrefetchDistance, items.size()); ++i)
        __builtin_prefetch(&slots_[Home(items[i].hash, slots_.size())]);
    for (size_t i = 0; i < items.size(); ++i) {
        if (i + kPrefetchDistance < items.size())
            __builtin_prefetch(&slots_[Home(items[i + kPrefetchDistance].hash, slots_.size())]);
        known[i] = FindFor(items[i].hash, osCode);
        if (known[i])
            __builtin_prefetch(known[i]);
    }
}
