#include "offer_matcher.h"

#include "version_number.h"

#include <algorithm>
#include <functional>

namespace {

// Position of a level in a device's run of items; -1 for no or an unknown level.
int LevelRank(const std::string& level)
{
    static const char* const kOrder[] = {"N", "0", "1", "2"};
    for (int rank = 0; rank < 4; ++rank) {
        if (level == kOrder[rank])
            return rank;
    }
    return -1;
}

// One past the last item of the run that starts at first.
size_t RunEnd(const std::vector<ScanEntry>& items, size_t first)
{
    size_t end = first + 1;
    while (end < items.size() && LevelRank(items[end - 1].level) >= 0 &&
           LevelRank(items[end].level) > LevelRank(items[end - 1].level) && items[end].version == items[first].version)
        ++end;
    return end;
}

// Adds entry to the sorted list of offered entries; false when it was there already. (An
// identity has one entry object, so entries stand for identities.)
bool FirstOffer(std::vector<const CatalogEntry*>& offered, const CatalogEntry* entry)
{
    auto at = std::lower_bound(offered.begin(), offered.end(), entry, std::less<const CatalogEntry*>());
    if (at != offered.end() && *at == entry)
        return false;
    offered.insert(at, entry);
    return true;
}

}  // namespace

std::vector<Offer> FindOffers(const ScanReport& report, const CatalogLookup& lookup)
{
    std::vector<Offer> offers;
    std::vector<const CatalogEntry*> offered;
    const std::vector<ScanEntry>& items = report.items;
    for (size_t first = 0; first < items.size();) {
        size_t end = RunEnd(items, first);
        for (size_t i = first; i < end; ++i) {
            const CatalogEntry* entry = lookup.Find(items[i].hash);
            if (!entry)
                continue;
            if (IsUpdateFor(items[i].version, entry->version) && FirstOffer(offered, entry))
                offers.push_back({entry, items[i].version});
            break;
        }
        first = end;
    }
    return offers;
}
