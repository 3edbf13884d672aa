#include "scan_tally.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace {

auto Key(const EntryOffers& row)
{
    return std::tie(row.identity, row.osCode);
}

auto Key(const DayOffers& row)
{
    return std::tie(row.day, row.entry.identity, row.entry.osCode);
}

EntryOffers& Offers(EntryOffers& row)
{
    return row;
}

EntryOffers& Offers(DayOffers& row)
{
    return row.entry;
}

// Sorts the rows by their key and merges the rows of one key, adding up their offers.
template <typename Row>
void SortAndMerge(std::vector<Row>& rows)
{
    auto before = [](const Row& a, const Row& b) { return Key(a) < Key(b); };
    if (!std::is_sorted(rows.begin(), rows.end(), before))
        std::sort(rows.begin(), rows.end(), before);
    size_t kept = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (kept > 0 && Key(rows[kept - 1]) == Key(rows[i]))
            Offers(rows[kept - 1]).offers += Offers(rows[i]).offers;
        else if (kept++ != i)
            rows[kept - 1] = std::move(rows[i]);
    }
    rows.resize(kept);
}

// The offers of the records of one day that hold one snapshot, counted by the entries' index.
struct OfferCounter {
    const CatalogSnapshot* catalog;
    std::string day;
    std::vector<uint32_t> counts;   // one per entry of the snapshot
    std::vector<uint32_t> offered;  // the entries counted, each once
};

}  // namespace

ScanTally TallyScans(const std::vector<ScanRecord>& records)
{
    std::map<std::pair<std::string, std::string>, DayTotal> days;
    std::vector<OfferCounter> counters;  // one, but for batches across midnight or a new catalog
    for (const ScanRecord& record : records) {
        std::string day = record.receivedUtc.substr(0, 10);
        DayTotal& total = days[{day, record.osVersionCode}];
        ++total.scans;
        total.items += static_cast<long long>(record.itemCount);
        total.offers += static_cast<long long>(record.offerCount);
        if (!record.catalog || record.offeredEntries.empty())
            continue;
        auto counter = std::find_if(counters.begin(), counters.end(), [&](const OfferCounter& c) {
            return c.catalog == record.catalog.get() && c.day == day;
        });
        if (counter == counters.end())
            counter = counters.insert(
                counters.end(),
                {record.catalog.get(), std::move(day), std::vector<uint32_t>(record.catalog->EntryCount()), {}});
        for (uint32_t index : record.offeredEntries) {
            if (index < counter->counts.size() && counter->counts[index]++ == 0)
                counter->offered.push_back(index);
        }
    }

    ScanTally tally;
    for (auto& [key, total] : days) {
        total.day = key.first;
        total.osCode = key.second;
        tally.days.push_back(std::move(total));
    }
    // A snapshot's entries stand in the order of identity and code: one counter's rows come sorted.
    for (OfferCounter& counter : counters) {
        std::sort(counter.offered.begin(), counter.offered.end());
        for (uint32_t index : counter.offered) {
            const CatalogEntry& entry = counter.catalog->EntryAt(index).entry;
            tally.offersPerDay.push_back({counter.day, {entry.identity, entry.osCode, counter.counts[index]}});
            tally.offersPerEntry.push_back(tally.offersPerDay.back().entry);
        }
    }
    SortAndMerge(tally.offersPerDay);
    SortAndMerge(tally.offersPerEntry);
    return tally;
}

std::vector<EntryOffers> SumPerEntry(std::vector<EntryOffers> rows)
{
    SortAndMerge(rows);
    return rows;
}
