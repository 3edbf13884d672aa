#include "offer_matcher.h"

#include "ansi_text.h"
#include "device_identity.h"
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

// One past the last item of the leveled run that starts at first.
size_t LeveledRunEnd(const std::vector<ScanEntry>& items, size_t first)
{
    size_t end = first + 1;
    while (end < items.size() && LevelRank(items[end - 1].level) >= 0 &&
           LevelRank(items[end].level) > LevelRank(items[end - 1].level) && items[end].version == items[first].version)
        ++end;
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

// The bytes the engine hashed (and cut) for a catalog identity.
std::string AnsiIdentity(const std::string& utf8Identity)
{
    return Utf8ToAnsi(utf8Identity).value_or(utf8Identity);
}

// Whether cut is one of the identity forms of identity, the identity itself included.
bool IsFormOf(const std::string& cut, const std::string& identity)
{
    const std::vector<IdentityForm> forms = DeviceIdentityForms(identity, true);
    return std::any_of(forms.begin(), forms.end(), [&](const IdentityForm& form) { return form.hardwareId == cut; });
}

// The catalog as one document sees it: the entries for its OS code or for every Windows.
class DocumentLookup {
public:
    DocumentLookup(const CatalogLookup& catalog, const std::string& osCode) : catalog_(catalog), osCode_(osCode) {}
    const CatalogEntry* Find(int64_t hash) const { return catalog_.Find(hash, osCode_); }

private:
    const CatalogLookup& catalog_;
    const std::string& osCode_;
};

class OfferList {
public:
    // The decision for one device (or program) whose most specific known identity is entry.
    void Consider(const CatalogEntry* entry, const std::string& installedVersion)
    {
        if (IsUpdateFor(installedVersion, entry->version) && FirstOffer(entry))
            offers_.push_back({entry, installedVersion});
    }
    std::vector<Offer> Take() { return std::move(offers_); }

private:
    // Adds entry to the sorted list of offered entries; false when it was there already. (An
    // identity has one entry object, so entries stand for identities.)
    bool FirstOffer(const CatalogEntry* entry)
    {
        auto at = std::lower_bound(offered_.begin(), offered_.end(), entry, std::less<const CatalogEntry*>());
        if (at != offered_.end() && *at == entry)
            return false;
        offered_.insert(at, entry);
        return true;
    }

    std::vector<Offer> offers_;
    std::vector<const CatalogEntry*> offered_;  // sorted
};

// A leveled run is one device: its first known identity decides.
void MatchLeveledRun(const std::vector<ScanEntry>& items, size_t first, size_t end, const DocumentLookup& lookup,
                     OfferList& offers)
{
    for (size_t i = first; i < end; ++i) {
        if (const CatalogEntry* entry = lookup.Find(items[i].hash)) {
            offers.Consider(entry, items[i].version);
            return;
        }
    }
}

// Items without a level may hold several devices with one version; a device's items come
// together, most specific first. A known identity belongs to the device of the known ones
// before it when it is a cut of that device's first (most specific) known identity and not
// yet among them; a repeated identity is the same form of a next device with the same id or
// family. Any other known identity starts the next device, which it decides.
void MatchUnleveledGroup(const std::vector<ScanEntry>& items, size_t first, size_t end, const DocumentLookup& lookup,
                         OfferList& offers)
{
    std::vector<std::string> deviceIdentities;  // ANSI, most specific first
    for (size_t i = first; i < end; ++i) {
        const CatalogEntry* entry = lookup.Find(items[i].hash);
        if (!entry)
            continue;
        std::string identity = AnsiIdentity(entry->identity);
        bool sameDevice =
            !deviceIdentities.empty() && IsFormOf(identity, deviceIdentities.front()) &&
            std::find(deviceIdentities.begin(), deviceIdentities.end(), identity) == deviceIdentities.end();
        if (!sameDevice) {
            deviceIdentities.clear();
            offers.Consider(entry, items[i].version);
        }
        deviceIdentities.push_back(std::move(identity));
    }
}

}  // namespace

std::vector<Offer> FindOffers(const ScanReport& report, const CatalogLookup& catalog)
{
    const DocumentLookup lookup(catalog, report.osVersionCode);
    OfferList offers;
    const std::vector<ScanEntry>& items = report.items;
    for (size_t first = 0; first < items.size();) {
        bool leveled = !items[first].level.empty();
        size_t end = leveled ? LeveledRunEnd(items, first) : UnleveledGroupEnd(items, first);
        if (leveled)
            MatchLeveledRun(items, first, end, lookup, offers);
        else
            MatchUnleveledGroup(items, first, end, lookup, offers);
        first = end;
    }
    return offers.Take();
}
