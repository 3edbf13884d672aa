#include "offer_matcher.h"

#include <algorithm>

namespace {

// Position of a level in a device's run of items; -1 for no or an unknown level.
int LevelRank(std::string_view level)
{
    if (level.size() != 1)
        return -1;
    switch (level[0]) {
    case 'N':
        return 0;
    case '0':
    case '1':
    case '2':
        return level[0] - '0' + 1;
    default:
        return -1;
    }
}

// One past the last item of the leveled run that starts at first.
size_t LeveledRunEnd(const std::vector<ScanEntry>& items, size_t first)
{
    size_t end = first + 1;
    int rank = LevelRank(items[first].level);
    while (end < items.size() && rank >= 0) {
        const int next = LevelRank(items[end].level);
        if (next <= rank || items[end].version != items[first].version)
            break;
        rank = next;
        ++end;
    }
    return end;
}

// One past the last item of the group of items without a level that starts at first: the
// consecutive ones with first's version.
size_t UnleveledGroupEnd(const std::vector<ScanEntry>& items, size_t first)
{
    size_t end = first + 1;
    while (end < items.size() && items[end].level.empty() && items[end].version == items[first].version)
        ++end;
    return end;
}

// The entries offered in one document, found by their index in the snapshot: an open-addressing
// set that keeps its room from document to document on its thread.
class OfferedSet {
public:
    explicit OfferedSet(size_t items) : slots_(Room())
    {
        size_t size = 16;
        while (size < items * 2)
            size *= 2;
        slots_.assign(size, kEmpty);
    }
    // false when index was in the set already.
    bool Insert(size_t index)
    {
        const uint32_t value = static_cast<uint32_t>(index);
        for (size_t at = (index * 0x9E3779B1u) & (slots_.size() - 1);; at = (at + 1) & (slots_.size() - 1)) {
            if (slots_[at] == value)
                return false;
            if (slots_[at] == kEmpty) {
                slots_[at] = value;
                return true;
            }
        }
    }

private:
    static constexpr uint32_t kEmpty = UINT32_MAX;
    static std::vector<uint32_t>& Room()
    {
        thread_local std::vector<uint32_t> slots;
        return slots;
    }
    std::vector<uint32_t>& slots_;
};

class OfferList {
public:
    OfferList(const CatalogSnapshot& catalog, size_t items, std::vector<Offer>& offers)
        : catalog_(catalog), offered_(items), offers_(offers)
    {
        offers_.clear();
        offers_.reserve(items);  // at most one offer per item: no growing
    }

    // The decision for one device (or program) whose most specific known identity is entry.
    void Consider(const KnownEntry& entry, std::string_view installedVersion)
    {
        const size_t index = catalog_.IndexOf(entry);
        if (IsUpdateFor(installedVersion, entry.available) && offered_.Insert(index))
            offers_.push_back({&entry.entry, installedVersion, static_cast<uint32_t>(index)});
    }

private:
    const CatalogSnapshot& catalog_;
    OfferedSet offered_;
    std::vector<Offer>& offers_;
};

// A leveled run is one device: its first known identity decides.
void MatchLeveledRun(const std::vector<ScanEntry>& items, const std::vector<const KnownEntry*>& known, size_t first,
                     size_t end, OfferList& offers)
{
    for (size_t i = first; i < end; ++i) {
        if (known[i]) {
            offers.Consider(*known[i], items[i].version);
            return;
        }
    }
}

// Items without a level may hold several devices with one version; a device's items come
// together, most specific first. A known identity belongs to the device of the known ones
// before it when it is a cut of that device's first (most specific) known identity and not
// yet among them; a repeated identity is the same form of a next device with the same id or
// family. Any other known identity starts the next device, which it decides.
void MatchUnleveledGroup(const std::vector<ScanEntry>& items, const std::vector<const KnownEntry*>& known, size_t first,
                         size_t end, std::vector<const KnownEntry*>& device, OfferList& offers)
{
    device.clear();  // its known identities, most specific first
    for (size_t i = first; i < end; ++i) {
        if (!known[i])
            continue;
        const KnownEntry& entry = *known[i];
        const bool sameDevice = !device.empty() && device.front()->HasForm(entry) &&
                                std::none_of(device.begin(), device.end(), [&](const KnownEntry* identity) {
                                    return identity->ansiIdentity == entry.ansiIdentity;
                                });
        if (!sameDevice) {
            device.clear();
            offers.Consider(entry, items[i].version);
        }
        device.push_back(&entry);
    }
}

}  // namespace

void FindOffers(const ScanReport& report, const CatalogSnapshot& catalog, std::vector<Offer>& found)
{
    // Kept from document to document on each thread, so that matching allocates nothing per item.
    thread_local std::vector<const KnownEntry*> known;
    thread_local std::vector<const KnownEntry*> device;
    const std::vector<ScanEntry>& items = report.items;
    catalog.FindAll(items, report.osVersionCode, known);
    OfferList offers(catalog, items.size(), found);
    for (size_t first = 0; first < items.size();) {
        const bool leveled = !items[first].level.empty();
        const size_t end = leveled ? LeveledRunEnd(items, first) : UnleveledGroupEnd(items, first);
        if (leveled)
            MatchLeveledRun(items, known, first, end, offers);
        else
            MatchUnleveledGroup(items, known, first, end, device, offers);
        first = end;
    }
}
