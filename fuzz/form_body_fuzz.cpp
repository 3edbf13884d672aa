// Bodies of update-count requests from any client: the form field, the scan document in it
// and the matching that gives the count.
#include "catalog_snapshot.h"
#include "count_form.h"
#include "offer_matcher.h"
#include "scan_reader.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::optional<std::string_view> document =
        CountFormDocument(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!document)
        return 0;
    ScanReport report;
    std::string error;
    if (!ReadScanDocument(*document, report, error))
        return 0;
    // About half of the identities are known, so that devices get offers from different levels.
    std::vector<CatalogRow> rows;
    for (const ScanEntry& item : report.items) {
        const std::string hash = std::to_string(item.hash);
        if (item.hash % 2 == 0)
            rows.push_back({hash, {"PCI\\VEN_1234&DEV_" + hash, "Device", "2.0", "/download/x.exe"}});
    }
    std::vector<Offer> offers;
    FindOffers(report, CatalogSnapshot(std::move(rows), 1), offers);
    return 0;
}
