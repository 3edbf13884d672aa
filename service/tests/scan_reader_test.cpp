// Reading scan documents as the engine writes them, and refusing what breaks the layout or the
// bounds of the header values that the service records.
#include "scan_documents.h"
#include "scan_reader.h"

#include <gtest/gtest.h>

namespace {

const std::string kHead =
    "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n<ScanInstance ProtocolVersion=\"1.1\">\r\n"
    "<Header>\r\n<ScanGUID>{6B29FC40-CA47-1067-B31D-00DD010662DA}</ScanGUID>\r\n<OSVersion>4</"
    "OSVersion>\r\n<Email>a&b\"<c></Email>\r\n"
    "<Password>p\"w</Password>\r\n<IP>127.0.0.1</IP>\r\n</Header>\r\n<Data NumberOfDevices=\"-5\">\r\n";
const std::string kTail = "\r\n</Data>\r\n</ScanInstance>";

struct Item {
    const char* hash;
    const char* version;
    const char* level;
};

struct ReadCase {
    const char* name;
    std::string inventory;
    bool deviceListError;
    std::vector<Item> items;
};

TEST(ScanReader, ReadsInventories)
{
    const ReadCase cases[] = {
        {"empty", "", false, {}},
        {"devices-only error", "ERROR", true, {}},
        {"error then software",
         "ERROR<ScanItem HWIDHASH=\"12\" CURRENTVERSION=\"1.0\" PLEVEL=\"N\" />\r\n",
         true,
         {{"12", "1.0", "N"}}},
        {"no level", "<ScanItem HWIDHASH=\"-7\" CURRENTVERSION=\"\" />\r\n", false, {{"-7", "", ""}}},
        {"leading zeros normalised", "<ScanItem HWIDHASH=\"007\" CURRENTVERSION=\"1\" />\r\n", false, {{"7", "1", ""}}},
        {"quote and level text inside version",
         "<ScanItem HWIDHASH=\"1\" CURRENTVERSION=\"a\" b\" PLEVEL=\"x\" />\r\n",
         false,
         {{"1", "a\" b", "x"}}},
        {"version ends only before line end",
         "<ScanItem HWIDHASH=\"1\" CURRENTVERSION=\"1\" PLEVEL=\"2\" & <x> \" />\r\n",
         false,
         {{"1", "1\" PLEVEL=\"2\" & <x> ", ""}}},
        {"ansi bytes kept",
         "<ScanItem HWIDHASH=\"3\" CURRENTVERSION=\"\xE9\x80\" />\r\n",
         false,
         {{"3", "\xE9\x80", ""}}},
        {"two items",
         "<ScanItem HWIDHASH=\"1\" CURRENTVERSION=\"1\" PLEVEL=\"N\" />\r\n<ScanItem HWIDHASH=\"2\" "
         "CURRENTVERSION=\"1\" PLEVEL=\"0\" />\r\n",
         false,
         {{"1", "1", "N"}, {"2", "1", "0"}}},
    };
    for (const ReadCase& c : cases) {
        const std::string document = kHead + c.inventory + kTail;  // the report's views point into it
        ScanReport report;
        std::string error;
        ASSERT_TRUE(ReadScanDocument(document, report, error)) << c.name << ": " << error;
        EXPECT_EQ(report.deviceListError, c.deviceListError) << c.name;
        ASSERT_EQ(report.items.size(), c.items.size()) << c.name;
        for (size_t i = 0; i < c.items.size(); ++i) {
            EXPECT_EQ(std::to_string(report.items[i].hash), c.items[i].hash) << c.name;
            EXPECT_EQ(report.items[i].version, c.items[i].version) << c.name;
            EXPECT_EQ(report.items[i].level, c.items[i].level) << c.name;
        }
    }
}

TEST(ScanReader, ReadsHeaderValuesUnescaped)
{
    const std::string document = kHead + kTail + "\r\n";
    ScanReport report;
    std::string error;
    ASSERT_TRUE(ReadScanDocument(document, report, error)) << error;
    EXPECT_EQ(report.protocolVersion, "1.1");
    EXPECT_EQ(report.scanGuid, "{6B29FC40-CA47-1067-B31D-00DD010662DA}");
    EXPECT_EQ(report.osVersionCode, "4");
    EXPECT_EQ(report.email, "a&b\"<c>");
    EXPECT_EQ(report.password, "p\"w");
    EXPECT_EQ(report.deviceCount, -5);
}

TEST(ScanReader, ReadsWhatTheEngineWrites)
{
    std::string inventory = DeviceLines("PCI\\VEN_8086&DEV_27C5&SUBSYS_01AD1028&REV_01", "5.1.2600.0", true) +
                            ProgramLine("SOFTWARE\\A\\B", "1, 0", true);
    const std::string document = WholeDocument(inventory);
    ScanReport report;
    std::string error;
    ASSERT_TRUE(ReadScanDocument(document, report, error)) << error;
    ASSERT_EQ(report.items.size(), 5u);
    EXPECT_EQ(report.items[0].hash, 7403206061709420101);
    EXPECT_EQ(report.items[3].level, "2");
    EXPECT_EQ(report.items[4].version, "1, 0");
}

TEST(ScanReader, RefusesBrokenLayouts)
{
    const std::string item = "<ScanItem HWIDHASH=\"1\" CURRENTVERSION=\"1\" />\r\n";
    const std::string whole = kHead + item + kTail;
    const struct {
        const char* name;
        std::string document;
    } cases[] = {
        {"empty body", ""},
        {"not a scan document", "hello"},
        {"declaration only", kHead.substr(0, 40)},
        {"cut in the header", kHead.substr(0, kHead.find("<Password>"))},
        {"cut in an item", kHead + item.substr(0, 30)},
        {"cut before end tags", kHead + item},
        {"end tags without line end", kHead + item + "</Data>\r\n</ScanInstance>"},
        {"missing CR LF after item", kHead + item.substr(0, item.size() - 2) + kTail},
        {"hash not a number", kHead + "<ScanItem HWIDHASH=\"x1\" CURRENTVERSION=\"1\" />\r\n" + kTail},
        {"hash beyond 64 bits",
         kHead + "<ScanItem HWIDHASH=\"99999999999999999999\" CURRENTVERSION=\"1\" />\r\n" + kTail},
        {"no CURRENTVERSION", kHead + "<ScanItem HWIDHASH=\"1\" />\r\n" + kTail},
        {"stray text between items", kHead + item + "junk" + item + kTail},
        {"bad device count", std::string(whole).replace(whole.find("-5"), 2, "x")},
        {"ERROR after items", kHead + item + "ERROR" + kTail},
    };
    for (const auto& c : cases) {
        ScanReport report;
        std::string error;
        EXPECT_FALSE(ReadScanDocument(c.document, report, error)) << c.name;
        EXPECT_FALSE(error.empty()) << c.name;
    }
}

TEST(ScanReader, BoundsTheHeaderValuesThatAreRecorded)
{
    const struct {
        const char* name;
        std::string scanGuid;
        std::string osVersion;
        std::string email;
        bool read;
    } cases[] = {
        {"as the engine writes them", "{6B29FC40-CA47-1067-B31D-00DD010662DA}", "4", "me@example.com", true},
        {"no identifier, no OS code", "", "", "", true},
        {"lower-case identifier", "{6b29fc40-ca47-1067-b31d-00dd010662da}", "10", std::string(254, 'm'), true},
        {"identifier without braces", "6B29FC40-CA47-1067-B31D-00DD010662DA", "4", "", false},
        {"identifier of another form", "{6B29FC40CA47-1067-B31D-00DD010662DA-}", "4", "", false},
        {"identifier with a byte that is not ASCII", "{6B29FC40-CA47-1067-B31D-00DD010662D\xE9}", "4", "", false},
        {"identifier with a NUL", std::string("{6B29FC40-CA47-1067-B31D-00DD010662D\0}", 38), "4", "", false},
        {"identifier of 1 MiB", "{" + std::string(size_t{1024} * 1024, 'A') + "}", "4", "", false},
        {"OS code too long", "", "123456789", "", false},
        {"OS code with a byte that is not ASCII", "", "4\xE9", "", false},
        {"e-mail address over 254 characters", "", "4", std::string(255, 'm'), false},
    };
    for (const auto& c : cases) {
        std::string document = kHead + kTail;
        document.replace(document.find("{6B29"), 38, c.scanGuid);
        document.replace(document.find(">4<") + 1, 1, c.osVersion);
        document.replace(document.find("a&b"), 7, c.email);
        ScanReport report;
        std::string error;
        EXPECT_EQ(ReadScanDocument(document, report, error), c.read) << c.name << ": " << error;
        if (c.read) {
            EXPECT_EQ(std::string(report.scanGuid) + "|" + std::string(report.osVersionCode) + "|" +
                          std::string(report.email),
                      c.scanGuid + "|" + c.osVersion + "|" + c.email)
                << c.name;
        }
    }
}

}  // namespace
