// What the service's work on one update count costs without the network: reading a 500-item
// document (as service_bench and tools/service-benchmark.sh post it) and matching it against
// the 100,000-entry benchmark catalog in memory, each on its own and together, against the floor
// of one pass over the document's bytes (looking for a NUL, as memchr does). CPU time of the thread, medians of rounds
// in which the parts take turns, each over many documents so that the timer's granularity does not count.
#include "benchmark_documents.h"
#include "catalog_snapshot.h"
#include "catalog_text.h"
#include "offer_matcher.h"
#include "scan_reader.h"
#include "side_by_side.h"

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kRounds = 7;
constexpr int kDocumentsPerRound = 2000;
// Documents that differ in their identities, so that the catalog is not read from the cache alone.
constexpr unsigned kDocuments = 64;

}  // namespace

int main()
{
    std::stringstream text;
    std::string error;
    if (!WriteBenchmarkCatalog(text, kBenchmarkCatalogEntries, error)) {
        std::fprintf(stderr, "scan_match_bench: %s\n", error.c_str());
        return 1;
    }
    const CatalogText catalogText = ReadCatalogText(text.str());
    const CatalogSnapshot catalog(HashedRows(catalogText.entries), 1);
    text.clear();
    text.seekg(0);
    const std::vector<std::string> identities = CatalogIdentities(text);
    std::vector<std::string> bodies;
    for (unsigned seed = 1; seed <= kDocuments; ++seed)
        bodies.push_back(CountRequestBody(identities, seed).substr(5));  // without "data="
    std::vector<ScanReport> reports(kDocuments);
    for (unsigned d = 0; d < kDocuments; ++d) {
        if (!ReadScanDocument(bodies[d], reports[d], error)) {
            std::fprintf(stderr, "scan_match_bench: %s\n", error.c_str());
            return 1;
        }
    }

    ScanReport report;
    std::vector<Offer> offers;
    volatile size_t sink = 0;
    auto read = [&] {
        for (int i = 0; i < kDocumentsPerRound; ++i)
            sink = sink + ReadScanDocument(bodies[i % kDocuments], report, error);
    };
    auto match = [&] {
        for (int i = 0; i < kDocumentsPerRound; ++i)
            FindOffers(reports[i % kDocuments], catalog, offers);
    };
    auto both = [&] {
        for (int i = 0; i < kDocumentsPerRound; ++i) {
            ReadScanDocument(bodies[i % kDocuments], report, error);
            FindOffers(report, catalog, offers);
            sink = sink + offers.size();
        }
    };
    auto floor = [&] {
        for (int i = 0; i < kDocumentsPerRound; ++i) {
            const std::string& body = bodies[i % kDocuments];
            sink = sink + (body.find('\0') == std::string::npos ? 1 : 0);
        }
    };
    std::vector<double> times[4];
    const std::function<void()> parts[4] = {read, match, both, floor};
    for (int round = 0; round <= kRounds; ++round) {
        for (int p = 0; p < 4; ++p) {
            const int part = (p + round) % 4;
            const double seconds = SecondsOf(parts[part], Clock::ThreadCpu);
            if (round > 0)
                times[part].push_back(seconds);
        }
    }
    auto micro = [&](int part) { return Median(times[part]) / kDocumentsPerRound * 1e6; };
    std::printf("%zu-byte document, %zu items, %zu offers; catalog of %zu entries\n", bodies[0].size(),
                reports[0].items.size(), offers.size(), catalog.EntryCount());
    std::printf("per document: read %.2f us, match %.2f us, both %.2f us, one pass over its bytes %.2f us\n", micro(0),
                micro(1), micro(2), micro(3));
    PrintRow(
        "Service, without the network: reading one 500-item document / matching it against the 100,000-entry "
        "catalog / both (us, CPU)",
        "(reported; the service's CPU per count is <= 50)",
        Fixed(micro(0), 1) + " / " + Fixed(micro(1), 1) + " / " + Fixed(micro(2), 1));
    PrintRow("Service, without the network: one pass over the document's bytes (memchr, us)", "(the floor)",
             Fixed(micro(3), 2));
    return 0;
}
