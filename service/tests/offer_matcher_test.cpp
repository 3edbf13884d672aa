// Which catalog entries a document gets offered: one offer per device from its most specific
// known identity for the document's OS code, in documents with and without levels, and one offer
// per catalog entry. (The documents are XP's, code "4".)
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
    const std::string document = WholeDocument(inventory);
    ScanReport report;
    std::string error;
    EXPECT_TRUE(ReadScanDocument(document, report, error)) << error;
    std::vector<Offer> offers;
    FindOffers(report, snapshot, offers);
    std::vector<std::string> names;
    names.reserve(offers.size());
    for (const Offer& offer : offers)
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
    const CatalogEntry paint{"SOFTWARE\\Contoso\\Contoso Paint", "paint", "2.5.0.0", "/c"};
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
        {"desktop document: one offer per entry",
         {viewer},
         ProgramLine("SOFTWARE\\Acme Ltd\\Acme Viewer", "1.0", false) +
             ProgramLine("SOFTWARE\\Acme Ltd\\Acme Viewer", "1.5", false),
         {"viewer"}},
        {"unknown items", {viewer}, DeviceLines(kAudio, "1.0", true), {}},
        {"desktop document: two programs with one version",
         {viewer, paint},
         ProgramLine(viewer.identity, "1.0", false) + ProgramLine(paint.identity, "1.0", false),
         {"viewer", "paint"}},
        {"an entry for another OS code does not exist for the document",
         {{kAudio, "for Vista", "6.0", "/v", "6"}, family},
         DeviceLines(kAudio, "5.1", true),
         {"family"}},
        {"the entry for the document's OS code before the one for every Windows",
         {full, {kAudio, "for XP", "6.0", "/x", "4"}},
         DeviceLines(kAudio, "5.1", true),
         {"for XP"}},
        {"desktop document: device and program with one version",
         {family, viewer},
         DeviceLines(kAudio, "1.0", false) + ProgramLine(viewer.identity, "1.0", false),
         {"family", "viewer"}},
    };
    for (const MatchCase& c : cases)
        EXPECT_EQ(OfferedNames(c.catalog, c.inventory), c.offeredNames) << c.name;
}

struct Device {
    std::string hardwareId;
    std::string version;
};

std::string Inventory(const std::vector<Device>& devices, bool leveled)
{
    std::string lines;
    for (const Device& device : devices)
        lines += DeviceLines(device.hardwareId, device.version, leveled);
    return lines;
}

// The desktop program's items carry no level; the same devices must get the same offers as
// from the component, whose items do.
TEST(OfferMatcher, OneOfferPerDeviceWithAndWithoutLevels)
{
    const std::string audioB = "PCI\\VEN_8086&DEV_27D8&SUBSYS_11111111&REV_03";
    const std::string nic = "PCI\\VEN_14E4&DEV_1693&SUBSYS_01AD1028&REV_02";
    const std::string mouse = "USB\\VID_046D&PID_C01E&REV_2200";
    const CatalogEntry full{kAudio, "full", "6.0", "/f"};
    const CatalogEntry beforeRev{"PCI\\VEN_8086&DEV_27D8&SUBSYS_01AD1028", "rev cut", "6.0", "/r"};
    const CatalogEntry subsys{"PCI\\VEN_8086&DEV_27D8&SUBSYS_01AD1", "subsys cut", "6.0", "/s"};
    const CatalogEntry family{"PCI\\VEN_8086&DEV_27D8", "family", "6.0", "/p"};
    const CatalogEntry fullB{audioB, "full B", "6.0", "/b"};
    const CatalogEntry subsysB{"PCI\\VEN_8086&DEV_27D8&SUBSYS_11111", "subsys cut B", "6.0", "/sb"};
    const CatalogEntry nicFamily{"PCI\\VEN_14E4&DEV_1693", "nic", "6.0", "/n"};
    const CatalogEntry mouseEntry{mouse, "mouse", "6.0", "/m"};
    const struct {
        const char* name;
        std::vector<CatalogEntry> catalog;
        std::vector<Device> devices;
        std::vector<std::string> offeredNames;
    } cases[] = {
        {"known by one form", {family}, {{kAudio, "5.1"}}, {"family"}},
        {"known by two forms", {family, subsys}, {{kAudio, "5.1"}}, {"subsys cut"}},
        {"known by three forms", {family, subsys, beforeRev}, {{kAudio, "5.1"}}, {"rev cut"}},
        {"known by four forms", {family, subsys, beforeRev, full}, {{kAudio, "5.1"}}, {"full"}},
        {"known by the whole id and the family", {family, full}, {{kAudio, "5.1"}}, {"full"}},
        {"no driver: cuts only", {family, subsys, beforeRev, full}, {{kAudio, ""}}, {"rev cut"}},
        {"most specific not newer: nothing from the newer cuts",
         {family, subsys, {kAudio, "full", "5.1", "/f"}},
         {{kAudio, "5.1"}},
         {}},
        {"one vendor and device id, two subsystems, both whole ids known",
         {family, full, fullB},
         {{kAudio, "5.1"}, {audioB, "5.1"}},
         {"full", "full B"}},
        {"one vendor and device id, two subsystems, one whole id known",
         {family, full},
         {{kAudio, "5.1"}, {audioB, "5.1"}},
         {"full", "family"}},
        {"one vendor and device id, two subsystems, subsystem cuts known",
         {family, subsys, subsysB},
         {{kAudio, "5.1"}, {audioB, "5.1"}},
         {"subsys cut", "subsys cut B"}},
        {"the second device's cut is the first one's: offered once",
         {family},
         {{kAudio, "5.1"}, {audioB, "5.1"}},
         {"family"}},
        {"two identical devices", {full, family}, {{kAudio, "5.1"}, {kAudio, "5.1"}}, {"full"}},
        {"unrelated devices side by side",
         {full, family, nicFamily, mouseEntry},
         {{kAudio, "5.1"}, {nic, "5.1"}, {mouse, "5.1"}},
         {"full", "nic", "mouse"}},
        {"unrelated devices, the first one's entry not newer",
         {{kAudio, "full", "5.1", "/f"}, family, nicFamily},
         {{kAudio, "5.1"}, {nic, "5.1"}},
         {"nic"}},
        {"different versions", {full, fullB}, {{kAudio, "5.1"}, {audioB, "5.2"}}, {"full", "full B"}},
    };
    for (const auto& c : cases) {
        for (bool leveled : {true, false}) {
            EXPECT_EQ(OfferedNames(c.catalog, Inventory(c.devices, leveled)), c.offeredNames)
                << c.name << (leveled ? " (with levels)" : " (without levels)");
        }
    }
}

}  // namespace
