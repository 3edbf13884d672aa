// Scan documents of any client, as the results page reads them and shows them.
#include "catalog_snapshot.h"
#include "device_identity.h"
#include "offer_matcher.h"
#include "pages.h"
#include "scan_reader.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ScanReport report;
    std::string error;
    if (!ReadScanDocument(std::string_view(reinterpret_cast<const char*>(data), size), report, error))
        return 0;
    // Every identity the document names is known, so every item goes through the matching: as
    // a whole hardware id or one of its cuts, chosen by the hash, so that items without a level
    // are told apart into devices by identities that are and are not cuts of one another.
    std::vector<CatalogRow> rows;
    for (const ScanEntry& item : report.items) {
        const std::string hash = std::to_string(item.hash);
        std::vector<IdentityForm> forms =
            DeviceIdentityForms("PCI\\VEN_1234&DEV_5678&SUBSYS_" + hash.substr(hash.size() / 2) + "&REV_01", true);
        rows.push_back({hash,
                        {forms[static_cast<unsigned char>(hash.back()) % forms.size()].hardwareId,
                         "Device <" + hash + ">", "1.0", "/download/x.exe"}});
    }
    const CatalogSnapshot catalog(std::move(rows), 1);
    std::vector<Offer> offers;
    FindOffers(report, catalog, offers);
    RenderResultsPage(report, offers);
    return 0;
}
