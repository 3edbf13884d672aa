// Made-up scan records for the statistics page (/stats), its screenshot and its benchmark: writes
// SCANS records received over the last DAYS days (UTC; today's until now) into the service's
// database, an SQLite file or a postgresql:// address (a new one is set up as the service sets
// it up), through the store as the service's recorder writes them: oldest first, in batches of
// 5,000, each record with the indices of its offers in a snapshot of the database's catalog, so
// that the daily roll-ups are counted as the service counts them. The scans grow over the days
// and are fewer at weekends; OS codes, items and offers are drawn as a fleet of PCs of the XP
// years might send them, and a few entries are offered far more often than the rest, as real
// updates are. The seed makes the same records again.
//   scan_history DATABASE SCANS DAYS [SEED]
#include "catalog_snapshot.h"
#include "service_store.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr size_t kBatch = 5000;
constexpr std::time_t kDay = std::time_t{24} * 60 * 60;
constexpr int kMostOffers = 12;

struct OsShare {
    const char* code;
    double weight;
};
const OsShare kOsShares[] = {{"4", 62}, {"6", 24}, {"2", 9}, {"8", 2}, {"1", 1}, {"3", 1}, {"", 1}};

std::string Utc(std::time_t when)
{
    std::tm parts{};
    gmtime_r(&when, &parts);
    char text[32];
    return std::string(text, std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts));
}

std::string Guid(std::mt19937_64& random)
{
    const uint64_t high = random(), low = random();
    char text[40];
    (void)std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%04X-%012llX}", static_cast<unsigned>(high >> 32),
                        static_cast<unsigned>((high >> 16) & 0xFFFF), static_cast<unsigned>(high & 0xFFFF),
                        static_cast<unsigned>(low >> 48), static_cast<unsigned long long>(low & 0xFFFFFFFFFFFFull));
    return text;
}

// How many of the scans each day gets, oldest first: the total shared by weight, rounded so that
// the days add up to it.
std::vector<size_t> ScansPerDay(size_t scans, int days, std::time_t today, std::time_t now, std::mt19937_64& random)
{
    std::uniform_real_distribution<double> noise(0.9, 1.1);
    std::vector<double> weights;
    for (int day = 0; day < days; ++day) {
        const std::time_t start = today - static_cast<std::time_t>(days - 1 - day) * kDay;
        std::tm parts{};
        gmtime_r(&start, &parts);
        double weight = (0.6 + 0.4 * day / std::max(1, days - 1)) * noise(random);
        if (parts.tm_wday == 0 || parts.tm_wday == 6)
            weight *= 0.7;
        if (day == days - 1)
            weight *= static_cast<double>(now - today) / kDay;
        weights.push_back(weight);
    }
    const double total = std::accumulate(weights.begin(), weights.end(), 0.0);
    std::vector<size_t> counts;
    double sum = 0;
    size_t given = 0;
    for (double weight : weights) {
        sum += weight;
        const size_t upTo = static_cast<size_t>(std::llround(static_cast<double>(scans) * sum / total));
        counts.push_back(upTo - given);
        given = upTo;
    }
    return counts;
}

// The entries a scan of each OS code may be offered (its own and those for every Windows), the
// most popular first: popularity is a random order of the whole catalog.
std::map<std::string, std::vector<uint32_t>> OfferableEntries(const CatalogSnapshot& catalog, std::mt19937_64& random)
{
    std::vector<uint32_t> byPopularity(catalog.EntryCount());
    std::iota(byPopularity.begin(), byPopularity.end(), 0);
    std::shuffle(byPopularity.begin(), byPopularity.end(), random);
    std::map<std::string, std::vector<uint32_t>> entries;
    for (const OsShare& share : kOsShares) {
        std::vector<uint32_t>& offerable = entries[share.code];
        for (uint32_t index : byPopularity) {
            const std::string& code = catalog.EntryAt(index).entry.osCode;
            if (code.empty() || code == share.code)
                offerable.push_back(index);
        }
    }
    return entries;
}

class History {
public:
    History(std::shared_ptr<const CatalogSnapshot> catalog, unsigned seed)
        : catalog_(std::move(catalog)), random_(seed), offerable_(OfferableEntries(*catalog_, random_))
    {
        for (const OsShare& share : kOsShares)
            osWeights_.push_back(share.weight);
    }

    ScanRecord Scan(std::time_t when)
    {
        const char* code =
            kOsShares[std::discrete_distribution<size_t>(osWeights_.begin(), osWeights_.end())(random_)].code;
        const std::vector<uint32_t>& offerable = offerable_[code];
        ScanRecord record{Guid(random_),
                          Utc(when),
                          code,
                          std::bernoulli_distribution(0.8)(random_) ? "count" : "desktop",
                          std::uniform_int_distribution<size_t>(120, 400)(random_),
                          0};
        record.catalog = catalog_;
        // Offers: about four; the square of a uniform number ranks them, so that the most popular
        // tenth of the entries gets a third of all offers.
        const size_t wanted =
            std::min<size_t>(std::binomial_distribution<int>(kMostOffers, 0.35)(random_), offerable.size() / 2);
        std::uniform_real_distribution<double> uniform(0, 1);
        while (record.offeredEntries.size() < wanted) {
            const double rank = std::pow(uniform(random_), 2) * static_cast<double>(offerable.size());
            const uint32_t index = offerable[std::min(offerable.size() - 1, static_cast<size_t>(rank))];
            if (std::find(record.offeredEntries.begin(), record.offeredEntries.end(), index) ==
                record.offeredEntries.end())
                record.offeredEntries.push_back(index);
        }
        record.offerCount = record.offeredEntries.size();
        return record;
    }

    std::mt19937_64& Random() { return random_; }

private:
    std::shared_ptr<const CatalogSnapshot> catalog_;
    std::mt19937_64 random_;
    std::map<std::string, std::vector<uint32_t>> offerable_;
    std::vector<double> osWeights_;
};

bool Write(ServiceStore& store, std::vector<ScanRecord>& batch)
{
    std::vector<RefusedRecord> refused;
    std::string error;
    if (!store.RecordScans(batch, refused, error) || !refused.empty()) {
        std::fprintf(stderr, "scan_history: cannot write the records: %s\n",
                     refused.empty() ? error.c_str() : refused[0].error.c_str());
        return false;
    }
    batch.clear();
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4 || argc > 5 || std::atol(argv[2]) <= 0 || std::atoi(argv[3]) <= 0) {
        std::fprintf(stderr, "usage: scan_history DATABASE SCANS DAYS [SEED]\n");
        return 2;
    }
    const auto started = std::chrono::steady_clock::now();
    std::string error;
    std::unique_ptr<ServiceStore> store = ServiceStore::Open(argv[1], error);
    std::vector<CatalogRow> rows;
    long long version = 0;
    if (!store || !store->LoadCatalog(rows, version, error)) {
        std::fprintf(stderr, "scan_history: %s\n", error.c_str());
        return 1;
    }
    auto catalog = std::make_shared<const CatalogSnapshot>(std::move(rows), version);
    History history(catalog, argc == 5 ? static_cast<unsigned>(std::atol(argv[4])) : 1);
    const size_t scans = static_cast<size_t>(std::atol(argv[2]));
    const int days = std::atoi(argv[3]);
    const std::time_t now = std::time(nullptr), today = now - now % kDay;
    const std::vector<size_t> perDay = ScansPerDay(scans, days, today, now, history.Random());
    std::vector<ScanRecord> batch;
    for (int day = 0; day < days; ++day) {
        const std::time_t start = today - static_cast<std::time_t>(days - 1 - day) * kDay;
        std::uniform_int_distribution<std::time_t> second(0, day == days - 1 ? now - today : kDay - 1);
        std::vector<std::time_t> times(perDay[day]);
        for (std::time_t& when : times)
            when = start + second(history.Random());
        std::sort(times.begin(), times.end());
        for (std::time_t when : times) {
            batch.push_back(history.Scan(when));
            if (batch.size() == kBatch && !Write(*store, batch))
                return 1;
        }
    }
    if (!batch.empty() && !Write(*store, batch))
        return 1;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("scan_history: wrote %zu scan records over %d days (offers from %zu catalog entries) in %.1f s\n",
                scans, days, catalog->EntryCount(), seconds);
    return 0;
}
