// The service over HTTP on loopback, on each of its databases: offers and counts for documents
// as the engine and the desktop program send them, bad input, escaping, the information pages,
// catalog imports and the record of scans.
#include "ansi_text.h"
#include "device_identity.h"
#include "scan_documents.h"
#include "scan_reader.h"
#include "test_service.h"

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

constexpr const char* kResults = "/result_page.php?desktop";
constexpr const char* kCount = "/count_updates.php";
constexpr const char* kForm = "application/x-www-form-urlencoded";

size_t CountOf(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t pos = text.find(part); pos != std::string::npos; pos = text.find(part, pos + 1))
        ++count;
    return count;
}

// The number in the page's headline, "found N updates" ("found no updates" is 0); -1 without one.
long HeadlineCount(const std::string& page)
{
    const std::string found = "found ";
    size_t pos = page.find(found);
    if (pos == std::string::npos)
        return -1;
    pos += found.size();
    if (page.compare(pos, 3, "no ") == 0)
        return 0;
    return std::isdigit(static_cast<unsigned char>(page[pos])) ? std::stol(page.substr(pos)) : -1;
}

// Whether the engine, which reads the reply as atoi does, would take a number from it.
bool ReadsAsNumber(const std::string& body)
{
    size_t pos = 0;
    while (pos < body.size() && std::isspace(static_cast<unsigned char>(body[pos])))
        ++pos;
    if (pos < body.size() && (body[pos] == '+' || body[pos] == '-'))
        ++pos;
    return pos < body.size() && std::isdigit(static_cast<unsigned char>(body[pos]));
}

httplib::Headers NoHeaders()
{
    return {};
}

// Program items that the catalog does not know.
std::string ManyProgramLines(int count)
{
    std::string lines;
    for (int i = 0; i < count; ++i)
        lines += ProgramLine("SOFTWARE\\Filler\\Tool " + std::to_string(i), "1.0", true);
    return lines;
}

// The document with another scan identifier.
std::string WithScanGuid(std::string document, const std::string& scanGuid)
{
    const size_t start = document.find("<ScanGUID>") + 10;
    return document.replace(start, document.find("</ScanGUID>") - start, scanGuid);
}

class ServiceHttp : public testing::TestWithParam<StoreKind> {};

// POST with the raw body and, when given, a Content-Type header.
httplib::Result Post(TestService& service, const char* target, const std::string& body, const char* contentType)
{
    httplib::Client client = service.Client();
    if (contentType)
        return client.Post(target, body, contentType);
    return client.Post(target, NoHeaders(), body.data(), body.size(), "");
}

std::string CountReply(TestService& service, const std::string& document)
{
    httplib::Result reply = Post(service, kCount, "data=" + document, kForm);
    EXPECT_TRUE(reply);
    return reply ? reply->body : std::string();
}

TEST_P(ServiceHttp, CountReplyIsNeverCompressed)
{
    TestService service(GetParam());
    httplib::Client client = service.Client();
    client.set_decompress(false);
    const std::string body = "data=" + WholeDocument(SamplePcInventory());
    httplib::Result reply =
        client.Post(kCount, {{"Accept-Encoding", "gzip, deflate"}}, body.data(), body.size(), kForm);
    ASSERT_TRUE(reply);
    EXPECT_FALSE(reply->has_header("Content-Encoding"));
    EXPECT_EQ(reply->body, CountReply(service, WholeDocument(SamplePcInventory())));
    EXPECT_TRUE(ReadsAsNumber(reply->body));
}

TEST_P(ServiceHttp, OffersAndCountsKnownDevicesAndPrograms)
{
    TestService service(GetParam());
    const std::string document = WholeDocument(SamplePcInventory());
    for (const char* contentType : {static_cast<const char*>(nullptr), kForm}) {
        httplib::Result page = Post(service, kResults, document, contentType);
        ASSERT_TRUE(page);
        EXPECT_EQ(page->status, 200);
        EXPECT_EQ(page->get_header_value("Content-Type"), "text/html; charset=utf-8");
        EXPECT_EQ(CountOf(page->body, "<tr class=\"offer\">"), kSamplePcOffers);
        for (const char* row :
             {"<td>Intel(R) 82801GBM SATA AHCI Controller</td><td>5.1.2600.0</td><td>8.9.0.1023</td>",
              "<td>NVIDIA GeForce 8500 GT display driver</td><td>6.14.11.6921</td>",
              "<td>Logitech MX518 Optical Gaming Mouse</td><td>4.80.0.0</td>",
              "<td>Acme Viewer</td><td>1.0.0.0</td><td>2.1.0.0</td>", "<td>Northwind Mail</td><td>1, 0, 0, 0</td>"})
            EXPECT_NE(page->body.find(row), std::string::npos) << row;
        EXPECT_EQ(page->body.find("Contoso Paint"), std::string::npos);  // installed version is current
        EXPECT_NE(page->body.find("<a href=\"/result_page.php?restore_point\">"), std::string::npos);
        EXPECT_NE(page->body.find("found 5 updates: 3 drivers and 2 programs"), std::string::npos);
    }
    EXPECT_EQ(CountReply(service, document), "5");

    // Every answered scan is recorded with what it held and what it was offered.
    ASSERT_TRUE(service.WaitForScans(3));
    std::vector<ScanRecord> records;
    std::string error;
    ASSERT_TRUE(service.Store().LatestScans(10, records, error)) << error;
    ASSERT_EQ(records.size(), 3u);
    ScanReport report;
    ASSERT_TRUE(ReadScanDocument(document, report, error));
    for (size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].page, i == 0 ? "count" : "desktop");
        EXPECT_EQ(records[i].scanGuid, report.scanGuid);
        EXPECT_EQ(records[i].osVersionCode, "4");
        EXPECT_EQ(records[i].itemCount, report.items.size());
        EXPECT_EQ(records[i].offerCount, kSamplePcOffers);
    }
}

TEST_P(ServiceHttp, CountsWhatThePageOffers)
{
    TestService service(GetParam());
    const struct {
        const char* name;
        std::string inventory;
        const char* count;
    } cases[] = {
        {"empty inventory", "", "0"},
        {"devices only, no device list", "ERROR", "0"},
        {"ERROR then software items",
         "ERROR" + ProgramLine("SOFTWARE\\Acme Ltd\\Acme Viewer", "1.0", true) +
             ProgramLine("SOFTWARE\\Contoso\\Contoso Paint", "1, 2", true),
         "2"},
        {"version order is numeric",
         ProgramLine("SOFTWARE\\Acme Ltd\\Acme Viewer", "10.0", true) +
             ProgramLine("SOFTWARE\\Northwind Traders\\Northwind Mail", "3.0.10", true) +
             ProgramLine("SOFTWARE\\Contoso\\Contoso Paint", "2.5.0.0 (build 7)", true),
         "0"},
        {"cut-level entry offered once for its device",
         DeviceLines("PCI\\VEN_10DE&DEV_0421&SUBSYS_04601458&REV_A1", "", true), "1"},
        {"desktop document without levels",
         DeviceLines("PCI\\VEN_8086&DEV_27C5&SUBSYS_01AD1028&REV_01", "5.1.2600.0", false), "1"},
        {"&, + and % in values stay raw",
         ProgramLine("SOFTWARE\\Acme Ltd\\Acme Viewer", "1.0+beta%20&data=9", true) +
             ProgramLine("SOFTWARE\\Contoso\\Contoso Paint", "2.0&x=%zz", true),
         "2"},
    };
    for (const auto& c : cases) {
        const std::string document = WholeDocument(c.inventory, "a+b%40c&d=e", "p&w%2B+");
        EXPECT_EQ(CountReply(service, document), c.count) << c.name;
        httplib::Result page = Post(service, kResults, document, nullptr);
        ASSERT_TRUE(page) << c.name;
        EXPECT_EQ(std::to_string(CountOf(page->body, "<tr class=\"offer\">")), c.count) << c.name;
        EXPECT_EQ(std::to_string(HeadlineCount(page->body)), c.count) << c.name;
    }
}

// A notebook's PCI devices, each known to the catalog by its whole id, its cut before "&REV_"
// and its cut before "&SUBSYS_". Many in-box drivers share a version, so in the desktop
// program's document, whose items carry no level, several devices stand side by side with one
// version; two network adapters share their vendor and device id.
TEST_P(ServiceHttp, OffersOncePerDeviceWithAndWithoutLevels)
{
    const struct {
        const char* hardwareId;
        const char* version;
    } devices[] = {
        {"PCI\\VEN_8086&DEV_2A00&SUBSYS_01F91028&REV_0C", "5.1.2600.5512"},
        {"PCI\\VEN_8086&DEV_2A02&SUBSYS_01F91028&REV_0C", "6.14.10.4906"},
        {"PCI\\VEN_8086&DEV_2A03&SUBSYS_01F91028&REV_0C", "6.14.10.4906"},
        {"PCI\\VEN_8086&DEV_2830&SUBSYS_01F91028&REV_03", "5.1.2600.5512"},
        {"PCI\\VEN_8086&DEV_2831&SUBSYS_01F91028&REV_03", "5.1.2600.5512"},
        {"PCI\\VEN_8086&DEV_2832&SUBSYS_01F91028&REV_03", "5.1.2600.5512"},
        {"PCI\\VEN_8086&DEV_2834&SUBSYS_01F91028&REV_03", "5.1.2600.5512"},
        {"PCI\\VEN_8086&DEV_2448&SUBSYS_01F91028&REV_F3", "5.1.2600.5512"},
        {"PCI\\VEN_8086&DEV_284B&SUBSYS_01F91028&REV_03", "5.10.0.5657"},
        {"PCI\\VEN_8086&DEV_10D3&SUBSYS_A01F8086&REV_00", "9.13.41.0"},
        {"PCI\\VEN_8086&DEV_10D3&SUBSYS_35D2103C&REV_00", "9.13.41.0"},
        {"PCI\\VEN_1180&DEV_0832&SUBSYS_01F91028&REV_05", ""},
    };
    TestService service(GetParam());
    std::vector<CatalogEntry> catalog;
    std::string leveled;
    std::string unleveled;
    for (const auto& device : devices) {
        for (const IdentityForm& form : DeviceIdentityForms(device.hardwareId, true)) {
            if (form.level != "1")
                catalog.push_back({form.hardwareId, "Driver for " + form.hardwareId, "10.0", "/d"});
        }
        leveled += DeviceLines(device.hardwareId, device.version, true);
        unleveled += DeviceLines(device.hardwareId, device.version, false);
    }
    ASSERT_TRUE(service.ImportAndWait(catalog));

    const std::string offers = std::to_string(std::size(devices));
    for (const std::string& inventory : {leveled, unleveled}) {
        const std::string document = WholeDocument(inventory);
        EXPECT_EQ(CountReply(service, document), offers);
        httplib::Result page = Post(service, kResults, document, nullptr);
        ASSERT_TRUE(page);
        EXPECT_EQ(std::to_string(CountOf(page->body, "<tr class=\"offer\">")), offers);
        EXPECT_EQ(std::to_string(HeadlineCount(page->body)), offers);
        // The driverless device's most specific known identity is its cut before "&REV_".
        for (const auto& device : devices) {
            std::string identity = std::string(device.version).empty()
                                       ? DeviceIdentityForms(device.hardwareId, false).front().hardwareId
                                       : device.hardwareId;
            EXPECT_EQ(CountOf(page->body, "<td>Driver for " + HtmlEscape(identity) + "</td>"), 1U) << identity;
        }
    }
}

TEST_P(ServiceHttp, ReadsLargeFormBodiesRaw)
{
    // Well beyond the size up to which the HTTP library would decode form bodies itself.
    TestService service(GetParam());
    std::string inventory = SamplePcInventory();
    for (int i = 0; i < 400; ++i)
        inventory += ProgramLine("SOFTWARE\\Filler\\Tool " + std::to_string(i), "1.0", true);
    const std::string document = WholeDocument(inventory);
    ASSERT_GT(document.size(), 30000u);
    EXPECT_EQ(CountReply(service, document), "5");
    httplib::Result page = Post(service, kResults, document, kForm);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
}

TEST_P(ServiceHttp, EscapesDocumentTextInPages)
{
    TestService service(GetParam());
    const std::string document =
        WholeDocument(ProgramLine("SOFTWARE\\Acme Ltd\\Acme Viewer", "1.0 <script>&\"x'\" caf\xE9", true),
                      "<b>me&you\"</b>@example.com", "pw");
    httplib::Result page = Post(service, kResults, document, nullptr);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_EQ(page->body.find("<script>"), std::string::npos);
    EXPECT_EQ(page->body.find("<b>me"), std::string::npos);
    EXPECT_NE(page->body.find("<td>1.0 &lt;script&gt;&amp;&quot;x&#39;&quot; caf\xC3\xA9</td>"), std::string::npos);
    EXPECT_NE(page->body.find("registered as &lt;b&gt;me&amp;you&quot;&lt;/b&gt;@example.com"), std::string::npos);
}

TEST_P(ServiceHttp, RefusesBadBodiesWithoutACount)
{
    TestService service(GetParam());
    const std::string document = WholeDocument(SamplePcInventory());
    const struct {
        const char* name;
        std::string body;
        int status;
    } cases[] = {
        {"empty", "", 400},
        {"not a document", "hello 5", 400},
        {"truncated", document.substr(0, document.size() / 2), 400},
        {"missing end tags", document.substr(0, document.size() - 15), 400},
        {"oversized", document + std::string(size_t{2} * 1024 * 1024, ' '), 413},
        {"over the item limit", WholeDocument(ManyProgramLines(5001)), 413},
        // PostgreSQL cannot store such a value: were it recorded, its batch would be refused.
        {"scan identifier not UTF-8", WithScanGuid(document, "{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F\xE9}"), 400},
        {"scan identifier with a NUL",
         WithScanGuid(document, std::string("{0F1E2D3C-\0B5A-6978-8796-A5B4C3D2E1F0}", 38)), 400},
    };
    for (const auto& c : cases) {
        httplib::Result page = Post(service, kResults, c.body, nullptr);
        ASSERT_TRUE(page) << c.name;
        EXPECT_EQ(page->status, c.status) << c.name;
        EXPECT_NE(page->body.find("<h1>Error " + std::to_string(c.status) + "</h1>"), std::string::npos) << c.name;

        httplib::Result count = Post(service, kCount, "data=" + c.body, kForm);
        ASSERT_TRUE(count) << c.name;
        EXPECT_EQ(count->status, c.status) << c.name;
        EXPECT_FALSE(ReadsAsNumber(count->body)) << c.name << ": " << count->body;
    }
    for (const char* body : {"", "5", " 7 items", "-3", "dat=x", "document=<?xml"}) {
        httplib::Result count = Post(service, kCount, body, kForm);
        ASSERT_TRUE(count) << body;
        EXPECT_EQ(count->status, 400) << body;
        EXPECT_FALSE(ReadsAsNumber(count->body)) << body;
    }
    httplib::Result multipart =
        service.Client().Post(kCount, httplib::MultipartFormDataItems{{"data", document, "", ""}});
    ASSERT_TRUE(multipart);
    EXPECT_EQ(multipart->status, 415);
    EXPECT_FALSE(ReadsAsNumber(multipart->body));
    EXPECT_EQ(CountReply(service, document), std::to_string(kSamplePcOffers));
    service.Stop();                             // writes every queued record
    EXPECT_EQ(service.Store().ScanCount(), 1);  // the last document's alone
}

TEST_P(ServiceHttp, AcceptsDocumentsUpToTheItemLimit)
{
    TestService service(GetParam());
    EXPECT_EQ(CountReply(service, WholeDocument(ManyProgramLines(5000))), "0");
}

TEST_P(ServiceHttp, AnswersEveryPageAtItsExactAddress)
{
    TestService service(GetParam());
    httplib::Client client = service.Client();
    for (const char* target : {"/", "/help.php", "/about.php", "/contact.php", "/result_page.php?restore_point"}) {
        httplib::Result page = client.Get(target);
        ASSERT_TRUE(page) << target;
        EXPECT_EQ(page->status, 200) << target;
        EXPECT_FALSE(page->has_header("Location")) << target;
        EXPECT_EQ(page->get_header_value("Content-Type"), "text/html; charset=utf-8") << target;
        EXPECT_EQ(page->body.find("<script"), std::string::npos) << target;
    }
    httplib::Result help = client.Get("/help.php");
    ASSERT_TRUE(help);
    for (const char* topic : {"C:\\Korvala Downloads", "Guest", "Registered", "System Restore", "Start"})
        EXPECT_NE(help->body.find(topic), std::string::npos) << topic;

    const struct {
        const char* target;
        int status;
    } misses[] = {{"/result_page.php?desktop", 405},
                  {"/result_page.php", 404},
                  {"/result_page.php?restore_point=1", 404},
                  {"/count_updates.php", 405},
                  {"/index.php", 404},
                  {"/help.php?topic=1", 404},
                  {"/HELP.PHP", 404},
                  {"/download/korvala-setupXexe", 404},
                  {"/download/korvala-setup.exe/", 404},
                  {"//help.php", 404}};
    for (const auto& miss : misses) {
        httplib::Result page = client.Get(miss.target);
        ASSERT_TRUE(page) << miss.target;
        EXPECT_EQ(page->status, miss.status) << miss.target;
    }
    httplib::Result wrongMethod = Post(service, "/result_page.php?restore_point", WholeDocument(""), nullptr);
    ASSERT_TRUE(wrongMethod);
    EXPECT_EQ(wrongMethod->status, 405);
    EXPECT_EQ(wrongMethod->get_header_value("Allow"), "GET, HEAD");
}

TEST_P(ServiceHttp, ServesTheInstallerWhenPresent)
{
    TestService service(GetParam());
    httplib::Client client = service.Client();
    httplib::Result missing = client.Get("/download/korvala-setup.exe");
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->status, 404);

    // Larger than the pieces it is streamed in, so that several follow one another.
    std::string installer("MZ\0\x01", 4);
    for (int i = 0; installer.size() < size_t{3} * 1024 * 1024; ++i)
        installer += "installer block " + std::to_string(i) + "\n";
    std::ofstream(service.DownloadsFolder() + "/korvala-setup.exe", std::ios::binary) << installer;
    httplib::Result present = client.Get("/download/korvala-setup.exe");
    ASSERT_TRUE(present);
    EXPECT_EQ(present->status, 200);
    EXPECT_EQ(present->get_header_value("Content-Disposition"), "attachment; filename=\"korvala-setup.exe\"");
    EXPECT_TRUE(present->body == installer) << present->body.size() << " bytes";
    httplib::Result head = client.Head("/download/korvala-setup.exe");
    ASSERT_TRUE(head);
    EXPECT_EQ(head->status, 200);
    EXPECT_EQ(head->get_header_value("Content-Length"), std::to_string(installer.size()));
    EXPECT_TRUE(head->body.empty());
}

TEST_P(ServiceHttp, KeepsAcceptedDesktopDocumentsWithoutThePassword)
{
    TestServiceOptions options(GetParam());
    options.keepScans = true;
    TestService service(options);
    const std::string first = WholeDocument(SamplePcInventory(), "user@example.com", "</Password>secret");
    const std::string second = WholeDocument(ProgramLine("SOFTWARE\\Acme Ltd\\Acme Viewer", "1.0", false));
    ASSERT_TRUE(Post(service, kResults, first, nullptr));
    ASSERT_TRUE(Post(service, kCount, "data=" + first, kForm));                    // not a desktop document
    ASSERT_TRUE(Post(service, "/result_page.php?restore_point", first, nullptr));  // refused address
    httplib::Result refused = Post(service, kResults, std::string("<unreadable \0 document>", 23), kForm);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 400);
    ASSERT_TRUE(Post(service, kResults, second, nullptr));
    service.Stop();  // the kept documents are written by then

    auto read = [&](const char* name) {
        std::ifstream file(service.KeptScansFolder() + "/" + name, std::ios::binary);
        return file ? std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()) : "(missing)";
    };
    EXPECT_EQ(read("scan-1.xml"), WholeDocument(SamplePcInventory(), "user@example.com", ""));
    EXPECT_EQ(read("scan-2.xml"), second);
    EXPECT_EQ(read("scan-3.xml"), "(missing)");
}

TEST_P(ServiceHttp, AnImportReplacesEntriesForTheNextScans)
{
    TestService service(GetParam());
    const std::string document = WholeDocument(ProgramLine("SOFTWARE\\Acme Ltd\\Acme Viewer", "2.5", true) +
                                               ProgramLine("SOFTWARE\\Litware Inc.\\Litware PDF Reader", "8.0", true));
    EXPECT_EQ(CountReply(service, document), "1");  // the sample catalog has Acme Viewer 2.1.0.0

    ASSERT_TRUE(service.ImportAndWait(
        {{"SOFTWARE\\Acme Ltd\\Acme Viewer", "Acme Viewer 3", "3.0", "http://downloads.acme.example/v3.exe"},
         {"SOFTWARE\\Litware Inc.\\Litware PDF Reader", "Litware PDF Reader", "7.0", "/litware.exe"}}));
    EXPECT_EQ(CountReply(service, document), "1");
    httplib::Result page = Post(service, kResults, document, nullptr);
    ASSERT_TRUE(page);
    EXPECT_NE(page->body.find("<td>Acme Viewer 3</td><td>2.5</td><td>3.0</td><td><a "
                              "href=\"http://downloads.acme.example/v3.exe\">"),
              std::string::npos)
        << page->body;
    EXPECT_EQ(page->body.find("Litware"), std::string::npos);

    ASSERT_TRUE(service.ImportAndWait({{"SOFTWARE\\Acme Ltd\\Acme Viewer", "Acme Viewer", "2.4", "/acme.exe"}}));
    EXPECT_EQ(CountReply(service, document), "0");
}

TEST_P(ServiceHttp, ListsOffersInTheDocumentsOrder)
{
    TestService service(GetParam());
    const std::string document =
        WholeDocument(ProgramLine("SOFTWARE\\Northwind Traders\\Northwind Mail", "1.0", false) +
                      DeviceLines("USB\\VID_046D&PID_C01E&REV_2200", "1.0", false) +
                      ProgramLine("SOFTWARE\\Acme Ltd\\Acme Viewer", "1.0", false) +
                      DeviceLines("PCI\\VEN_8086&DEV_27C5&SUBSYS_01AD1028&REV_01", "1.0", false) +
                      ProgramLine("SOFTWARE\\Contoso\\Contoso Paint", "1.0", false));
    httplib::Result page = Post(service, kResults, document, nullptr);
    ASSERT_TRUE(page);
    size_t last = 0;
    for (const char* name : {"Northwind Mail", "Logitech MX518", "Acme Viewer", "Intel(R) 82801GBM", "Contoso Paint"}) {
        size_t at = page->body.find("<td>" + std::string(name));
        ASSERT_NE(at, std::string::npos) << name;
        EXPECT_GT(at, last) << name << " is out of the document's order";
        last = at;
    }
}

TEST_P(ServiceHttp, EscapesCatalogTextInPages)
{
    TestService service(GetParam());
    ASSERT_TRUE(service.ImportAndWait({{"SOFTWARE\\Evil\\Tool", "<b>Tool</b> & \"Co\"", "2.0",
                                        "http://evil.example/get?a=1&b=\"><script>alert(1)</script>"}}));
    httplib::Result page =
        Post(service, kResults, WholeDocument(ProgramLine("SOFTWARE\\Evil\\Tool", "1.0", false)), nullptr);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->body.find("<script>"), std::string::npos);
    EXPECT_EQ(page->body.find("<b>Tool"), std::string::npos);
    EXPECT_NE(page->body.find("<td>&lt;b&gt;Tool&lt;/b&gt; &amp; &quot;Co&quot;</td>"), std::string::npos);
    EXPECT_NE(page->body.find("<a href=\"http://evil.example/get?a=1&amp;b=&quot;&gt;&lt;script&gt;alert(1)&lt;/"
                              "script&gt;\">Download</a>"),
              std::string::npos)
        << page->body;
}

INSTANTIATE_TEST_SUITE_P(Stores, ServiceHttp, testing::Values(StoreKind::Sqlite, StoreKind::Postgres),
                         [](const testing::TestParamInfo<StoreKind>& info) { return StoreName(info.param); });

}  // namespace
