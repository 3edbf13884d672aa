// Which catalog entries a document gets offered: device runs, most specific identity, and one
// offer per catalog entry.
#include "catalog_snapshot.h"
#include "offer_matcher.h"
#include "scan_documents.h"

#include <gtest/gtest.h>

namespace {

const std::string kAudio = "PCI\\VEN_8086&DEV_27D8&SUBSYS_01AD1028&REV_02";

struct MatchCase {
    const char* name;
    std::vector<CatalogEntry> catalog;
    std::string inventory;
    std::vector<std::string> offeredNames;
};

std::vector<std::string> OfferedNames(const std::vector<CatalogEntry>& catalog, const std::string& inventory)
{
    const CatalogSnapshot snapshot(HashedRows(catalog), 1);
    ScanReport report;
    std::string error;
    EXPECT_TRUE(ReadScanDocument(WholeDocument(inventory), report, error)) << error;
    std::vector<std::string> names;
    for (const Offer& offer : FindOffers(report, snapshot))
        names.push_back(offer.entry->name);
    return names;
}

TEST(OfferMatcher, ChoosesPerDeviceAndDocument)
{
    const CatalogEntry full{kAudio, "full", "6.0", "/f"};
    const CatalogEntry beforeRev{"PCI\\VEN_8086&DEV_27D8&SUBSYS_01AD1028", "rev cut", "6.0", "/r"};
    const CatalogEntry family{"PCI\\VEN_8086&DEV_27D8", "family", "6.0", "/p"};
    const CatalogEntry oldFamily{"PCI\\VEN_8086&DEV_27D8", "old family", "1.0", "/p"};
    const CatalogEntry mouse{"USB\\VID_046D&PID_C01E&REV_2200", "mouse", "5.3", "/m"};
    const CatalogEntry viewer{"SOFTWARE\\Acme Ltd\\Acme Viewer", "viewer", "2.1.0.0", "/v"};
    const MatchCase cases[] = {
        {"most specific known identity decides", {full, beforeRev, family}, DeviceLines(kAudio, "5.1", true), {"full"}},
        {"cut when the whole id is unknown", {beforeRev, family}, DeviceLines(kAudio, "5.1", true), {"rev cut"}},
        {"specific entry not newer: no fallback to a cut",
         {{kAudio, "full", "5.1", "/f"}, family},
         DeviceLines(kAudio, "5.1", true),
         {}},
        {"no driver: cut levels only, entry offered", {family}, DeviceLines(kAudio, "", true), {"family"}},
        {"unreadable driver key gets nothing",
         {family},
         DeviceLines(kAudio, "{4D36E96C-E325-11CE-BFC1-08002BE10318}\\0003", true),
         {}},
        {"older catalog version", {oldFamily}, DeviceLines(kAudio, "5.1", true), {}},
        {"two devices sharing a family",
         {family},
         DeviceLines(kAudio, "5.1", true) + DeviceLines("PCI\\VEN_8086&DEV_27D8&SUBSYS_11111111&REV_03", "5.1", true),
         {"family"}},
        {"N-only device then next device",
         {mouse, family},
         DeviceLines("USB\\VID_046D&PID_C01E&REV_2200", "5.1", true) + DeviceLines(kAudio, "5.1", true),
         {"mouse", "family"}},
        {"program after ERROR",
         {viewer},
         "ERROR" + ProgramLine("SOFTWARE\\Acme Ltd\\Acme Viewer", "1, 0, 0, 0", true),
         {"viewer"}},
        {"desktop document: every item for itself",
         {full, beforeRev},
         DeviceLines(kAudio, "5.1", false),
         {"full", "rev cut"}},
        {"desktop document: one offer per entry",
         {viewer},
         ProgramLine("SOFTWARE\\Acme Ltd\\Acme Viewer", "1.0", false) +
             ProgramLine("SOFTWARE\\Acme Ltd\\Acme Viewer", "1.5", false),
         {"viewer"}},
        {"unknown items", {viewer}, DeviceLines(kAudio, "1.0", true), {}},
    };
    for (const MatchCase& c : cases)
        EXPECT_EQ(OfferedNames(c.catalog, c.inventory), c.offeredNames) << c.name;
}

}  // namespace
