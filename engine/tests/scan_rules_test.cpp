// The scan engine's text rules, free of platform calls: identity hash, item lines, the OS
// version table, document layout, progress pacing and the device identity cuts.
#include "device_identity.h"
#include "progress_pacer.h"
#include "scan_document.h"
#include "scan_document_layout.h"

#include <gtest/gtest.h>

namespace {

struct HashCase {
    const char* identity;
    const char* joinedHex;
    const char* decimal;
};

const HashCase kHashCases[] = {
    {"abc", "E56F9746C2303314", "-1914144986447727852"},  // reaches 2^63: printed negative
    {"x366", "BC119936A9DEF6", "52936645366374134"},      // X has six digits: halves are not padded
    {"", "41859D3D7AF0F863", "4721352671749011555"},
    {"PCI\\VEN_8086&DEV_27C5&SUBSYS_01AD1028&REV_01", "66BD78B073356645", "7403206061709420101"},
};

TEST(IdentityHash, MatchesTheKnownTable)
{
    for (const HashCase& c : kHashCases) {
        ScanDocument item(kComponentFlavour);
        item.SetProperty(kHardwareIdKey, c.identity);
        EXPECT_EQ(item.HashIdentity(), c.joinedHex) << c.identity;
        EXPECT_EQ(IdentityHashDecimal(c.identity), c.decimal) << c.identity;
    }
}

TEST(IdentityHash, HexToInt64ReadsLeadingDigitsOnly)
{
    EXPECT_EQ(HexToInt64(""), 0);
    EXPECT_EQ(HexToInt64("zz"), 0);
    EXPECT_EQ(HexToInt64("1f"), 0x1F);
    EXPECT_EQ(HexToInt64("Ab-12"), 0xAB);
    EXPECT_EQ(HexToInt64("FFFFFFFFFFFFFFFF"), -1);
    EXPECT_EQ(HexToInt64("123456789ABCDEF01"), 0x123456789ABCDEF0);  // stops after 16 digits
}

TEST(ItemLine, ComponentAndDesktopForms)
{
    ScanDocument component(kComponentFlavour);
    component.SetProperty(kHardwareIdKey, "PCI\\VEN_8086&DEV_27C5&SUBSYS_01AD1028&REV_01");
    component.SetProperty(kVersionIdKey, "5.1.2600.0");
    component.SetProperty(kPermuteLevelKey, "0");
    EXPECT_EQ(component.FormatItemLine(),
              "<ScanItem HWIDHASH=\"7403206061709420101\" CURRENTVERSION=\"5.1.2600.0\" PLEVEL=\"0\" />\r\n");

    ScanDocument desktop(kDesktopFlavour);
    desktop.SetProperty(kHardwareIdKey, "abc");
    EXPECT_EQ(desktop.FormatItemLine(), "<ScanItem HWIDHASH=\"-1914144986447727852\" CURRENTVERSION=\"\" />\r\n");
}

TEST(ItemLine, KeysAreCaseSensitiveAndValuesUnescaped)
{
    ScanDocument item(kDesktopFlavour);
    item.SetProperty("hardwareid", "abc");
    item.SetProperty(kVersionIdKey, "1 & <2> \"3\"");
    EXPECT_EQ(item.GetProperty(kHardwareIdKey), "");
    EXPECT_EQ(item.FormatItemLine(),
              "<ScanItem HWIDHASH=\"4721352671749011555\" CURRENTVERSION=\"1 & <2> \"3\"\" />\r\n");
}

TEST(OsVersionCode, Table)
{
    struct Row {
        uint32_t platform, major, minor;
        const char* code;
    } rows[] = {
        {1, 4, 0, ""},  {1, 4, 9, ""},  {1, 4, 10, "8"}, {1, 4, 89, "8"}, {1, 4, 90, "1"}, {1, 4, 91, ""},
        {1, 5, 0, ""},  {2, 4, 0, "3"}, {2, 5, 0, "2"},  {2, 5, 1, "4"},  {2, 5, 2, "4"},  {2, 6, 0, "6"},
        {2, 6, 1, "6"}, {2, 3, 51, ""}, {2, 10, 0, ""},  {3, 5, 1, ""},   {0, 4, 10, ""},
    };
    for (const Row& r : rows)
        EXPECT_EQ(OsVersionCodeFor(r.platform, r.major, r.minor), r.code)
            << r.platform << " " << r.major << "." << r.minor;
}

const char kHeaderPart[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n"
    "<ScanInstance ProtocolVersion=\"1.1\">\r\n"
    "<Header>\r\n<ScanGUID>{0123ABCD-0000-1111-2222-333344445555}</ScanGUID>\r\n<OSVersion>4</OSVersion>\r\n"
    "<Email>a&b@example.com</Email>\r\n<Password>p<w></Password>\r\n<IP>127.0.0.1</IP>\r\n</Header>\r\n";

TEST(DocumentLayout, ByteExact)
{
    DocumentHeader header{"{0123ABCD-0000-1111-2222-333344445555}", "4", "a&b@example.com", "p<w>"};
    struct Case {
        const char* inventory;
        int32_t devices;
        const char* tail;
    } cases[] = {
        {"<ScanItem HWIDHASH=\"1\" CURRENTVERSION=\"2\" />\r\n", 5,
         "<Data NumberOfDevices=\"5\">\r\n<ScanItem HWIDHASH=\"1\" CURRENTVERSION=\"2\" "
         "/>\r\n\r\n</Data>\r\n</ScanInstance>"},
        {"", 0, "<Data NumberOfDevices=\"0\">\r\n\r\n</Data>\r\n</ScanInstance>"},
        {"ERROR", -3, "<Data NumberOfDevices=\"-3\">\r\nERROR\r\n</Data>\r\n</ScanInstance>"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AssembleDocument(header, c.inventory, c.devices), std::string(kHeaderPart) + c.tail);
}

TEST(ProgressPacer, TotalsForWholePasses)
{
    struct Row {
        int32_t entries, units;
    } rows[] = {{0, 0},    {1, 0},    {49, 0},   {50, 49},  {51, 50},  {60, 50},
                {100, 49}, {120, 51}, {333, 51}, {499, 50}, {500, 49}, {1000, 49}};
    for (const Row& r : rows) {
        ProgressPacer pacer(r.entries);
        int32_t units = 0;
        for (int32_t i = 0; i < r.entries; ++i)
            units += pacer.Advance();
        EXPECT_EQ(units, r.units) << r.entries << " entries";
    }
}

std::vector<std::pair<std::string, std::string>> Forms(const std::string& id, bool hasVersion)
{
    std::vector<std::pair<std::string, std::string>> out;
    for (const IdentityForm& f : DeviceIdentityForms(id, hasVersion))
        out.emplace_back(f.level, f.hardwareId);
    return out;
}

using FormList = std::vector<std::pair<std::string, std::string>>;

TEST(DeviceIdentityForms, Cuts)
{
    const std::string pci = "PCI\\VEN_8086&DEV_27C5&SUBSYS_01AD1028&REV_01";
    EXPECT_EQ(Forms(pci, true), (FormList{{"N", pci},
                                          {"0", "PCI\\VEN_8086&DEV_27C5&SUBSYS_01AD1028"},
                                          {"1", "PCI\\VEN_8086&DEV_27C5&SUBSYS_01AD1"},
                                          {"2", "PCI\\VEN_8086&DEV_27C5"}}));
    EXPECT_EQ(Forms(pci, false), (FormList{{"0", "PCI\\VEN_8086&DEV_27C5&SUBSYS_01AD1028"},
                                           {"1", "PCI\\VEN_8086&DEV_27C5&SUBSYS_01AD1"},
                                           {"2", "PCI\\VEN_8086&DEV_27C5"}}));
    const std::string usb = "USB\\VID_046D&PID_C01E&REV_2200";
    EXPECT_EQ(Forms(usb, true), (FormList{{"N", usb}}));
    EXPECT_EQ(Forms(usb, false), FormList{});
    EXPECT_EQ(Forms("PCI\\VEN_1&SUBSYS_12", false), (FormList{{"1", "PCI\\VEN_1&SUBSYS_12"}, {"2", "PCI\\VEN_1"}}));
    EXPECT_EQ(Forms("PCI\\VEN_1&subsys_1234&rev_01", true), (FormList{{"N", "PCI\\VEN_1&subsys_1234&rev_01"}}));
}

}  // namespace
