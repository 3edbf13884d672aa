// Version order, page 1252 text, the catalog text format, the command line and the configuration
// file.
#include "ansi_text.h"
#include "catalog_text.h"
#include "scan_document_layout.h"
#include "service_options.h"
#include "version_number.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

TEST(Versions, CompareAsNumbers)
{
    const struct {
        const char* installed;
        const char* available;
        bool update;
    } cases[] = {
        {"9.1", "10.0", true},
        {"10.0", "9.1", false},
        {"1.2", "1.2.0.0", false},
        {"1.2.0.1", "1.2", false},
        {"1, 6, 0, 0", "1.6.0.1", true},
        {"1, 6, 0, 0", "1.6", false},
        {"6.00.2900 (xpsp.080413-2111)", "6.0.2900.1", true},
        {"6.00.2900 (xpsp.080413-2111)", "6.0.2900", false},
        {"5.1 build 2600", "5.2", true},
        {"  2.0", "2.1", true},
        {"", "1.0", true},
        {"{4D36E968-E325-11CE-BFC1-08002BE10318}\\0000", "99.0", false},
        {"beta", "1.0", false},
        {"99999999999999999999999.1", "1.0", false},
        {"1.0", "not a version", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsUpdateFor(c.installed, c.available), c.update) << c.installed << " -> " << c.available;
}

TEST(Versions, ReadsLeadingNumbers)
{
    EXPECT_EQ(*ReadVersionNumbers("1, 6, 0, 0"), (VersionNumbers{1, 6, 0, 0}));
    EXPECT_EQ(*ReadVersionNumbers("6.00.2900 (xpsp)"), (VersionNumbers{6, 0, 2900}));
    EXPECT_EQ(*ReadVersionNumbers("7."), (VersionNumbers{7}));
    EXPECT_FALSE(ReadVersionNumbers(""));
    EXPECT_FALSE(ReadVersionNumbers(".1"));
}

TEST(AnsiText, ConvertsPage1252AndEscapes)
{
    EXPECT_EQ(AnsiToUtf8("caf\xE9 \x80 \x99"), "caf\xC3\xA9 \xE2\x82\xAC \xE2\x84\xA2");
    EXPECT_EQ(AnsiToUtf8(std::string("\x81\x01\0", 3)), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(*Utf8ToAnsi("M\xC3\xBCller \xE2\x82\xAC"), "M\xFCller \x80");
    EXPECT_FALSE(Utf8ToAnsi("\xE4\xB8\xAD"));  // no page 1252 form
    EXPECT_FALSE(Utf8ToAnsi("\xC3"));          // truncated sequence
    EXPECT_FALSE(Utf8ToAnsi("\xC0\xAF"));      // overlong form
    EXPECT_EQ(HtmlEscape("<a href=\"x\">&'</a>"), "&lt;a href=&quot;x&quot;&gt;&amp;&#39;&lt;/a&gt;");
}

TEST(CatalogText, ReadsEntriesAndRefusesBadLines)
{
    CatalogText parsed = ReadCatalogText(
        "\xEF\xBB\xBF# comment\r\n"
        "\r\n"
        "  PCI\\VEN_1&DEV_2 |  Card  | 1.2 | http://x.example/a.exe \r\n"
        "SOFTWARE\\M\xC3\xBCller\\Tool|Tool|2|/download/t.exe\n"
        "too|few|fields\n"
        "a|b|c|d|e\n"
        "|name|1|/x\n"
        "id||1|/x\n"
        "id|name|v1|/x\n"
        "id|name|1|javascript:alert(1)\n"
        "id|name|1|/\n"
        "SOFTWARE\\\xE4\xB8\xAD|name|1|/x\n");
    ASSERT_EQ(parsed.entries.size(), 2u);
    EXPECT_EQ(parsed.entries[0].identity, "PCI\\VEN_1&DEV_2");
    EXPECT_EQ(parsed.entries[0].name, "Card");
    EXPECT_EQ(parsed.entries[0].download, "http://x.example/a.exe");
    ASSERT_EQ(parsed.errors.size(), 8u);
    EXPECT_EQ(parsed.errors[0].substr(0, 8), "line 5: ");
    EXPECT_EQ(parsed.errors[7].substr(0, 9), "line 12: ");
}

// Four fields are for every Windows; a fifth lists OS codes (an entry each), a sixth a date.
TEST(CatalogText, ReadsOsCodesAndDates)
{
    CatalogText parsed = ReadCatalogText(
        "PCI\\VEN_1 | every | 1.0 | /a\n"
        "PCI\\VEN_1 | xp and vista | 2.0 | /b | 4, 6,4\n"
        "PCI\\VEN_1 | dated | 3.0 | /c | | 2008-02-29\n"
        "PCI\\VEN_1 | bad code | 1.0 | /d | 4;6\n"
        "PCI\\VEN_1 | bad date | 1.0 | /e | 4 | 2007-02-29\n"
        "a|b|c|d|e|f|g\n");
    std::vector<std::string> read;
    for (const CatalogEntry& entry : parsed.entries)
        read.push_back(entry.name + "/" + entry.osCode + "/" + entry.date);
    EXPECT_EQ(read, (std::vector<std::string>{"every//", "xp and vista/4/", "xp and vista/6/", "dated//2008-02-29"}));
    ASSERT_EQ(parsed.errors.size(), 3u);
    EXPECT_EQ(parsed.errors[0].substr(0, 8), "line 4: ");
    EXPECT_EQ(parsed.errors[1].substr(0, 8), "line 5: ");
    EXPECT_EQ(parsed.errors[2].substr(0, 8), "line 6: ");
}

TEST(CatalogText, HashesTheAnsiFormOfIdentities)
{
    EXPECT_EQ(CatalogIdentityHash("PCI\\VEN_8086&DEV_27C5&SUBSYS_01AD1028&REV_01"), "7403206061709420101");
    EXPECT_EQ(CatalogIdentityHash("SOFTWARE\\M\xC3\xBCller\\Tool"), IdentityHashDecimal("SOFTWARE\\M\xFCller\\Tool"));
}

TEST(ServiceOptions, ParsesCommandLines)
{
    const struct {
        std::vector<const char*> args;
        bool ok;
        const char* host;
        int port;
        const char* catalog;
        const char* import;
        const char* keptScans;
    } cases[] = {
        {{}, true, "127.0.0.1", 8077, "korvala-catalog.sqlite", "", ""},
        {{"--listen", "0.0.0.0:9000", "--catalog", "c.db", "--downloads", "d"}, true, "0.0.0.0", 9000, "c.db", "", ""},
        {{"--listen", "http://localhost"}, true, "localhost", 80, "korvala-catalog.sqlite", "", ""},
        {{"--import", "cat.txt"}, true, "127.0.0.1", 8077, "korvala-catalog.sqlite", "cat.txt", ""},
        {{"--keep-scans", "received", "--listen", "127.0.0.1:0"},
         true,
         "127.0.0.1",
         0,
         "korvala-catalog.sqlite",
         "",
         "received"},
        {{"--keep-scans"}, false, "", 0, "", "", ""},
        {{"--listen", "127.0.0.1"}, false, "", 0, "", "", ""},
        {{"--listen", "127.0.0.1:70000"}, false, "", 0, "", "", ""},
        {{"--listen", ":80"}, false, "", 0, "", "", ""},
        {{"--catalog"}, false, "", 0, "", "", ""},
        {{"--bogus"}, false, "", 0, "", "", ""},
    };
    for (const auto& c : cases) {
        std::vector<const char*> argv = {"korvala-service"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        ServiceOptions options;
        std::string error;
        bool ok =
            ParseServiceOptions(static_cast<int>(argv.size()), argv.data(), "http://127.0.0.1:8077", options, error);
        EXPECT_EQ(ok, c.ok) << (c.args.empty() ? "(none)" : c.args[0]);
        if (!ok || !c.ok)
            continue;
        EXPECT_EQ(options.host, c.host);
        EXPECT_EQ(options.port, c.port);
        EXPECT_EQ(options.catalogPath, c.catalog);
        EXPECT_EQ(options.importFile, c.import);
        EXPECT_EQ(options.keptScansDir, c.keptScans);
    }
}

TEST(ServiceOptions, ParsesADriverImport)
{
    const struct {
        std::vector<const char*> args;
        const char* error;  // empty when it parses
    } cases[] = {
        {{"--import-drivers", "pk", "--download-base", "http://x/pk", "--arch", "amd64", "--for", "4,6"}, ""},
        {{"--import-drivers", "pk"}, "--import-drivers needs --download-base"},
        {{"--import-drivers", "pk", "--download-base", "ftp://x"}, "--download-base needs an http://"},
        {{"--import-drivers", "pk", "--download-base", "/pk", "--arch", "arm64"}, "--arch needs x86 or amd64"},
        {{"--import-drivers", "pk", "--download-base", "/pk", "--for", "4,5"}, "--for needs OS codes"},
        {{"--download-base", "/pk"}, "--download-base, --arch and --for go with --import-drivers"},
    };
    for (const auto& c : cases) {
        std::vector<const char*> argv = {"korvala-service"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        ServiceOptions options;
        std::string error;
        ParseServiceOptions(static_cast<int>(argv.size()), argv.data(), "http://127.0.0.1:8077", options, error);
        EXPECT_EQ(error.substr(0, std::string(c.error).size()), c.error) << error;
    }
    ServiceOptions options;
    std::string error;
    const char* argv[] = {"korvala-service", "--import-drivers", "pk", "--download-base", "/pk", "--for", "6,4"};
    ASSERT_TRUE(ParseServiceOptions(7, argv, "http://127.0.0.1:8077", options, error)) << error;
    EXPECT_EQ(options.driverCodes, (std::vector<std::string>{"6", "4"}));
    EXPECT_EQ(options.driverArchitecture, "x86");
}

TEST(ServiceOptions, ParsesCountsAndSizes)
{
    constexpr size_t kMiB = size_t{1024} * 1024;
    const struct {
        std::vector<const char*> args;
        bool ok;
        size_t clientConnections;
        size_t requestBuffers;
        size_t keptScansFiles;
        size_t keptScansBytes;
    } cases[] = {
        {{}, true, 64, 256 * kMiB, 10000, 1024 * kMiB},
        {{"--client-connections", "1000", "--request-buffers", "64M"}, true, 1000, 64 * kMiB, 10000, 1024 * kMiB},
        {{"--keep-scans-files", "0", "--keep-scans-size", "512K", "--request-buffers", "2G"},
         true,
         64,
         2048 * kMiB,
         0,
         size_t{512} * 1024},
        {{"--request-buffers", "1048576"}, true, 64, kMiB, 10000, 1024 * kMiB},
        {{"--client-connections", "0"}, false, 0, 0, 0, 0},
        {{"--client-connections", "8K"}, false, 0, 0, 0, 0},
        {{"--request-buffers", "64MB"}, false, 0, 0, 0, 0},
        {{"--request-buffers", "M"}, false, 0, 0, 0, 0},
        {{"--keep-scans-size", "99999999999999999999G"}, false, 0, 0, 0, 0},
        {{"--keep-scans-size", "-1"}, false, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        std::vector<const char*> argv = {"korvala-service"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        ServiceOptions options;
        std::string error;
        const std::string name = c.args.empty() ? "(none)" : std::string(c.args[0]) + " " + c.args[1];
        bool ok =
            ParseServiceOptions(static_cast<int>(argv.size()), argv.data(), "http://127.0.0.1:8077", options, error);
        EXPECT_EQ(ok, c.ok) << name << ": " << error;
        if (!ok || !c.ok)
            continue;
        EXPECT_EQ(options.clientConnections, c.clientConnections) << name;
        EXPECT_EQ(options.requestBuffers, c.requestBuffers) << name;
        EXPECT_EQ(options.keptScansFiles, c.keptScansFiles) << name;
        EXPECT_EQ(options.keptScansBytes, c.keptScansBytes) << name;
    }
}

TEST(ServiceOptions, ReadTheConfigurationFileBelowTheCommandLine)
{
    const struct {
        const char* name;
        const char* file;  // nullptr: there is none
        std::vector<const char*> args;
        bool ok;
        const char* host;
        int port;
        const char* catalog;
        const char* database;
        size_t clientConnections;
    } cases[] = {
        {"file alone",
         "listen = 0.0.0.0:9000\ncatalog = /var/lib/k.sqlite\n",
         {},
         true,
         "0.0.0.0",
         9000,
         "/var/lib/k.sqlite",
         "",
         64},
        {"command line wins",
         "listen = 0.0.0.0:9000\nclient-connections = 1000\n",
         {"--listen", "127.0.0.1:1"},
         true,
         "127.0.0.1",
         1,
         "korvala-catalog.sqlite",
         "",
         1000},
        {"--catalog over the file's database",
         "database = postgresql://k:pw@db/k\n",
         {"--catalog", "x.sqlite"},
         true,
         "127.0.0.1",
         8077,
         "x.sqlite",
         "",
         64},
        {"--database over the file's catalog",
         "catalog = c.sqlite\n",
         {"--database", "postgresql://db/k"},
         true,
         "127.0.0.1",
         8077,
         "korvala-catalog.sqlite",
         "postgresql://db/k",
         64},
        {"comments, spaces, CR LF",
         "# listen = 0.0.0.0:1\r\n\r\n  client-connections\t=  1000  \r\n",
         {},
         true,
         "127.0.0.1",
         8077,
         "korvala-catalog.sqlite",
         "",
         1000},
        {"a value holding =",
         "database = postgresql://db/k?sslmode=require\n",
         {},
         true,
         "127.0.0.1",
         8077,
         "korvala-catalog.sqlite",
         "postgresql://db/k?sslmode=require",
         64},
        {"an action", "import = catalog.txt\n", {}, false, "", 0, "", "", 0},
        {"the file itself", "config = other.conf\n", {}, false, "", 0, "", "", 0},
        {"no =", "listen 127.0.0.1:1\n", {}, false, "", 0, "", "", 0},
        {"unknown name", "bogus = 1\n", {}, false, "", 0, "", "", 0},
        {"name with dashes", "--listen = 127.0.0.1:1\n", {}, false, "", 0, "", "", 0},
        {"set twice", "listen = 127.0.0.1:1\nlisten = 127.0.0.1:2\n", {}, false, "", 0, "", "", 0},
        {"empty value", "keep-scans =\n", {}, false, "", 0, "", "", 0},
        {"catalog and database", "catalog = c\ndatabase = postgresql://db/k\n", {}, false, "", 0, "", "", 0},
        {"bad value", "client-connections = 0\n", {}, false, "", 0, "", "", 0},
        {"no file", nullptr, {}, false, "", 0, "", "", 0},
    };
    const std::string path = testing::TempDir() + "/korvala-service-options.conf";
    for (const auto& c : cases) {
        std::filesystem::remove(path);
        if (c.file)
            std::ofstream(path, std::ios::binary) << c.file;
        std::vector<const char*> argv = {"korvala-service", "--config", path.c_str()};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        ServiceOptions options;
        std::string error;
        bool ok =
            ParseServiceOptions(static_cast<int>(argv.size()), argv.data(), "http://127.0.0.1:8077", options, error);
        EXPECT_EQ(ok, c.ok) << c.name << ": " << error;
        if (!ok || !c.ok)
            continue;
        EXPECT_EQ(options.host, c.host) << c.name;
        EXPECT_EQ(options.port, c.port) << c.name;
        EXPECT_EQ(options.catalogPath, c.catalog) << c.name;
        EXPECT_EQ(options.databaseAddress, c.database) << c.name;
        EXPECT_EQ(options.clientConnections, c.clientConnections) << c.name;
    }
    std::filesystem::remove(path);
}

TEST(ServiceOptions, RepeatNoDatabasePassword)
{
    const std::string path = testing::TempDir() + "/korvala-service-database.conf";
    std::ofstream(path) << "database = mysql://korvala:secret@db/korvala\n";
    const std::vector<std::vector<const char*>> commandLines = {
        {"korvala-service", "--config", path.c_str()},
        {"korvala-service", "--database", "mysql://korvala:secret@db/korvala"},
    };
    for (const std::vector<const char*>& argv : commandLines) {
        ServiceOptions options;
        std::string error;
        EXPECT_FALSE(
            ParseServiceOptions(static_cast<int>(argv.size()), argv.data(), "http://127.0.0.1:8077", options, error));
        EXPECT_NE(error.find("postgresql://"), std::string::npos) << error;
        EXPECT_EQ(error.find("secret"), std::string::npos) << error;
    }
    std::filesystem::remove(path);
}

}  // namespace
