// Scan documents of any client, as the results page reads them and shows them.
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
    auto lookup = [](const std::string& hash) -> std::optional<CatalogEntry> {
        return CatalogEntry{"PCI\\VEN_1234", "Device <" + hash + ">", "1.0", "/download/x.exe"};
    };
    RenderResultsPage(report, FindOffers(report, lookup));
    return 0;
}
