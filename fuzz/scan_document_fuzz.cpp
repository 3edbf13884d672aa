// Scan documents of any client, as the results page reads them and shows them.
#include "catalog_snapshot.h"
#include "offer_matcher.h"
#include "pages.h"
#include "scan_reader.h"

#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ScanReport report;
    std::string error;
    if (!ReadScanDocument(std::string_view(reinterpret_cast<const char*>(data), size), report, error))
        return 0;
    // Every identity the document names is known, so every item goes through the matching.
    std::vector<CatalogRow> rows;
    for (const ScanEntry& item : report.items) {
        const std::string hash = std::to_string(item.hash);
        rows.push_back({hash, {"PCI\\VEN_" + hash, "Device <" + hash + ">", "1.0", "/download/x.exe"}});
    }
    const CatalogSnapshot catalog(std::move(rows), 1);
    RenderResultsPage(report, FindOffers(report, catalog));
    return 0;
}
