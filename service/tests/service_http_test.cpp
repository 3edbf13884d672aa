// The service over HTTP on loopback: offers and counts for documents as the engine and the
// desktop program send them, bad input, escaping, and the information pages.
#include "ansi_text.h"
#include "device_identity.h"
#include "scan_documents.h"
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

TEST(ServiceHttp, CountReplyIsNeverCompressed)
{
    TestService service;
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

TEST(ServiceHttp, OffersAndCountsKnownDevicesAndPrograms)
{
    TestService service;
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
    EXPECT_EQ(service.Catalog().ScanCount(), 3);
}

TEST(ServiceHttp, CountsWhatThePageOffers)
{
    TestService service;
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
TEST(ServiceHttp, OffersOncePerDeviceWithAndWithoutLevels)
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
    TestService service;
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
    std::string error;
    ASSERT_TRUE(service.Catalog().Import(catalog, error)) << error;

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

TEST(ServiceHttp, ReadsLargeFormBodiesRaw)
{
    // Well beyond the size up to which the HTTP library would decode form bodies itself.
    TestService service;
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

TEST(ServiceHttp, EscapesDocumentTextInPages)
{
    TestService service;
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

TEST(ServiceHttp, RefusesBadBodiesWithoutACount)
{
    TestService service;
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
        {"oversized", document + std::string(size_t{9} * 1024 * 1024, ' '), 413},
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
    EXPECT_EQ(service.Catalog().ScanCount(), 0);
}

TEST(ServiceHttp, AnswersEveryPageAtItsExactAddress)
{
    TestService service;
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
                  {"/count_updates.php", 404},
                  {"/index.php", 404}};
    for (const auto& miss : misses) {
        httplib::Result page = client.Get(miss.target);
        ASSERT_TRUE(page) << miss.target;
        EXPECT_EQ(page->status, miss.status) << miss.target;
    }
    httplib::Result wrongQuery = Post(service, "/result_page.php?restore_point", WholeDocument(""), nullptr);
    ASSERT_TRUE(wrongQuery);
    EXPECT_EQ(wrongQuery->status, 404);
}

TEST(ServiceHttp, ServesTheInstallerWhenPresent)
{
    TestService service;
    httplib::Client client = service.Client();
    httplib::Result missing = client.Get("/download/korvala-setup.exe");
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->status, 404);

    const std::string installer("MZ\0\x01installer", 13);
    std::ofstream(service.DownloadsFolder() + "/korvala-setup.exe", std::ios::binary) << installer;
    httplib::Result present = client.Get("/download/korvala-setup.exe");
    ASSERT_TRUE(present);
    EXPECT_EQ(present->status, 200);
    EXPECT_EQ(present->body, installer);
}

TEST(ServiceHttp, KeepsEachDesktopDocumentAsReceived)
{
    TestService service(true);
    const std::string first = WholeDocument(SamplePcInventory());
    const std::string second("<unreadable \0 document>", 23);
    ASSERT_TRUE(Post(service, kResults, first, nullptr));
    ASSERT_TRUE(Post(service, kCount, "data=" + first, kForm));                    // not a desktop document
    ASSERT_TRUE(Post(service, "/result_page.php?restore_point", first, nullptr));  // refused address
    httplib::Result refused = Post(service, kResults, second, kForm);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 400);

    auto read = [&](const char* name) {
        std::ifstream file(service.KeptScansFolder() + "/" + name, std::ios::binary);
        return file ? std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()) : "(missing)";
    };
    EXPECT_EQ(read("scan-1.xml"), first);
    EXPECT_EQ(read("scan-2.xml"), second);
    EXPECT_EQ(read("scan-3.xml"), "(missing)");
}

}  // namespace
