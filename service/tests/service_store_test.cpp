// The service's records and database, on each database: failures answered as errors and told
// by /readyz, nothing lost at a stop or while the database fails, records the database refuses
// left out alone, retention, instances that share one database, the statistics page over the
// records' roll-ups, the upgrade of a database of the first layout, what the service cannot start
// with, and the kept documents' files.
#include "catalog_text.h"
#include "open_sql_connection.h"
#include "scan_documents.h"
#include "scan_keeper.h"
#include "scan_reader.h"
#include "test_postgres.h"
#include "test_service.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>
#include <tuple>

namespace {

constexpr const char* kForm = "application/x-www-form-urlencoded";

httplib::Result PostCount(TestService& service)
{
    return service.Client().Post("/count_updates.php", "data=" + WholeDocument(SamplePcInventory()), kForm);
}

// Runs a statement on the service's database through a connection of its own.
void Alter(TestService& service, const std::string& sql)
{
    std::string error;
    std::unique_ptr<SqlConnection> connection = OpenSqlConnection(service.Database(), error);
    ASSERT_TRUE(connection && connection->Execute(sql, {}, nullptr, error)) << error;
}

class ServiceStoreTest : public testing::TestWithParam<StoreKind> {};

TEST_P(ServiceStoreTest, AnswersAnErrorWhileScansCannotBeRecorded)
{
    TestServiceOptions options(GetParam());
    options.recorder.retryAfter = std::chrono::milliseconds(20);
    TestService service(options);
    ASSERT_TRUE(service.Started());
    Alter(service, "ALTER TABLE scans RENAME TO scans_away");

    // The first records are taken before the failure shows; then every scan is refused.
    int counted = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    httplib::Result reply = PostCount(service);
    for (; reply && reply->status == 200 && std::chrono::steady_clock::now() < end; reply = PostCount(service)) {
        EXPECT_EQ(reply->body, "5");
        ++counted;
    }
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 503);
    EXPECT_EQ(reply->body.substr(0, 7), "Error: ") << reply->body;
    httplib::Result ready = service.AdminClient().Get("/readyz");
    ASSERT_TRUE(ready);
    EXPECT_EQ(ready->status, 503);
    EXPECT_EQ(ready->body.rfind("not ready: scan records cannot be written: ", 0), 0u) << ready->body;
    httplib::Result page =
        service.Client().Post("/result_page.php?desktop", WholeDocument(SamplePcInventory()), "text/xml");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 503);

    // Once the database takes records again, so does the service, and the records held back are
    // written too.
    Alter(service, "ALTER TABLE scans_away RENAME TO scans");
    for (reply = PostCount(service); reply && reply->status == 503 && std::chrono::steady_clock::now() < end;
         reply = PostCount(service))
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 200);
    ready = service.AdminClient().Get("/readyz");
    ASSERT_TRUE(ready);
    EXPECT_EQ(ready->status, 200) << ready->body;
    service.Stop();
    EXPECT_EQ(service.Store().ScanCount(), counted + 1);
}

TEST_P(ServiceStoreTest, WritesEveryQueuedRecordAtAStop)
{
    TestServiceOptions options(GetParam());
    options.recorder.gather = std::chrono::seconds(30);  // nothing is written before the stop
    TestService service(options);
    ASSERT_TRUE(service.Started());
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(PostCount(service));
    service.Stop();
    EXPECT_EQ(service.Store().ScanCount(), 20);
}

TEST_P(ServiceStoreTest, RefusesScansWhenTheQueueIsFull)
{
    TestServiceOptions options(GetParam());
    options.recorder.capacity = 0;
    TestService service(options);
    ASSERT_TRUE(service.Started());
    httplib::Result reply = PostCount(service);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 503);
    EXPECT_EQ(reply->body.substr(0, 7), "Error: ");
}

TEST_P(ServiceStoreTest, DeletesRecordsOlderThanTheRetentionTime)
{
    TestService service(GetParam());
    ASSERT_TRUE(service.Started());
    std::string error;
    std::vector<RefusedRecord> refused;
    ASSERT_TRUE(service.Store().RecordScans({{"{OLD}", "2001-01-01T00:00:00Z", "4", "count", 1, 0},
                                             {"{RECENT}", UtcTime(29), "4", "count", 1, 0},
                                             {"{NOW}", UtcTime(), "4", "count", 1, 0}},
                                            refused, error))
        << error;
    {
        RecorderSettings settings;
        settings.keepDays = 30;
        ScanRecorder recorder(service.Store(), settings);  // deletes expired records as it starts
        recorder.Stop(std::chrono::seconds(30));
    }
    std::vector<ScanRecord> records;
    ASSERT_TRUE(service.Store().LatestScans(10, records, error)) << error;
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].scanGuid, "{NOW}");
    EXPECT_EQ(records[1].scanGuid, "{RECENT}");
}

TEST_P(ServiceStoreTest, InstancesShareCatalogAndRecords)
{
    TestService first(GetParam());
    ASSERT_TRUE(first.Started());
    TestServiceOptions options(GetParam());
    options.database = first.Database();
    TestService second(options);
    ASSERT_TRUE(second.Started());

    // An import through a third connection reaches both instances' catalogs.
    const CatalogEntry viewer{"SOFTWARE\\Acme Ltd\\Acme Viewer", "Acme Viewer", "1.0", "/acme.exe"};
    ASSERT_TRUE(first.ImportAndWait({viewer}));
    ASSERT_TRUE(second.WaitForCatalog());
    for (TestService* instance : {&first, &second}) {
        httplib::Result reply = PostCount(*instance);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->body, "4");  // Acme Viewer 1.0.0.0 is installed: no longer an update
    }
    ASSERT_TRUE(PostCount(second));
    EXPECT_TRUE(first.WaitForScans(3));
}

TEST_P(ServiceStoreTest, DropsOnlyTheRecordsTheDatabaseRefuses)
{
    TestService service(GetParam());
    ASSERT_TRUE(service.Started());
    auto record = [](const std::string& scanGuid) { return ScanRecord{scanGuid, UtcTime(), "4", "count", 1, 0}; };
    // A record planted in the store, and a rule of the store that refuses a second record of its scan.
    std::string error;
    std::vector<RefusedRecord> refused;
    ASSERT_TRUE(service.Store().RecordScans({record("{PLANTED}")}, refused, error)) << error;
    Alter(service, "CREATE UNIQUE INDEX scans_once ON scans(scan_guid)");

    // Records as they would be without the checks at the door. PostgreSQL also refuses the texts
    // that it cannot hold; SQLite keeps any bytes.
    const std::string nul("{NUL\0BYTE}", 10), notUtf8 = "{NOT UTF-8 \xE9}";
    const std::vector<std::string> batch = {"{A}", "{PLANTED}", "{B}", nul, notUtf8, "{C}"};
    std::multiset<std::string> expected = {"{PLANTED}", "{A}", "{B}", "{C}", "{D}"};
    if (GetParam() == StoreKind::Sqlite)
        expected.insert({nul, notUtf8});
    ScanRecorder recorder(service.Store(), RecorderSettings());
    for (const std::string& scanGuid : batch)
        EXPECT_TRUE(recorder.Add(record(scanGuid))) << scanGuid;
    ASSERT_TRUE(service.WaitForScans(static_cast<long long>(expected.size()) - 1));
    // Recording goes on.
    EXPECT_TRUE(recorder.Add(record("{D}")));
    EXPECT_EQ(recorder.Stop(std::chrono::seconds(30)), 0u);

    std::vector<ScanRecord> records;
    ASSERT_TRUE(service.Store().LatestScans(100, records, error)) << error;
    std::multiset<std::string> stored;
    for (const ScanRecord& row : records)
        stored.insert(row.scanGuid);
    EXPECT_EQ(stored, expected);
}

// The statistics page of the admin listener, on the scans of three days: one through the service
// today (the demo PC: five offers), three with offers of a catalog of the test's own three days
// ago, and two forty days ago, which a retention of thirty days deletes with their offers.
TEST_P(ServiceStoreTest, StatisticsPageShowsTheScansAndOffersKept)
{
    TestService service(GetParam());
    ASSERT_TRUE(service.Started());
    httplib::Result reply = PostCount(service);
    ASSERT_TRUE(reply && reply->body == "5");
    ASSERT_TRUE(service.WaitForScans(1));
    std::vector<ScanRecord> posted;
    std::string error;
    ASSERT_TRUE(service.Store().LatestScans(1, posted, error)) << error;
    ASSERT_EQ(posted.at(0).itemCount, kSamplePcItems);

    // An entry whose name has to be escaped, and one that the service's catalog does not hold.
    const CatalogEntry tagged{"SOFTWARE\\Test\\<Tag>", "Tag <b>&</b>", "2.0", "/tag.exe", "4"};
    const CatalogEntry gone{"SOFTWARE\\Test\\Gone", "Gone", "2.0", "/gone.exe"};
    ASSERT_TRUE(service.Store().Import({tagged}, error)) << error;
    const auto catalog = std::make_shared<const CatalogSnapshot>(HashedRows({tagged, gone}), 1);
    ASSERT_EQ(catalog->EntryAt(0).entry.identity, tagged.identity);  // entries in byte order
    auto record = [&](const std::string& utc, const char* osCode, size_t items, std::vector<uint32_t> offered) {
        return ScanRecord{"{R}", utc, osCode, "count", items, offered.size(), catalog, std::move(offered)};
    };
    const std::string today = posted.at(0).receivedUtc.substr(0, 10), earlier = UtcTime(3).substr(0, 10),
                      old = UtcTime(40).substr(0, 10);
    std::vector<RefusedRecord> refused;
    ASSERT_TRUE(service.Store().RecordScans(
        {record(earlier + "T01:00:00Z", "4", 100, {0, 1}), record(earlier + "T02:00:00Z", "6", 50, {0, 1}),
         record(earlier + "T03:00:00Z", "4", 30, {0}), record(old + "T04:00:00Z", "4", 10, {1}),
         record(old + "T05:00:00Z", "4", 10, {1})},
        refused, error))
        << error;

    auto bar = [](const std::string& day, const char* scans) { return "<title>" + day + ": " + scans + "</title>"; };
    auto osCode = [](const char* code, const char* windows, const char* scans, const char* share) {
        return std::string("<tr><td>") + code + "</td><td>" + windows + "</td><td class=\"n\">" + scans +
               "</td><td class=\"n\">" + share + " %</td>";
    };
    auto perScan = [](const char* what, const char* average) {
        return std::string("<th>") + what + " per scan</th><td class=\"n\">" + average + "</td>";
    };
    auto offered = [](const std::string& rank, const std::string& entry, const char* code, int times) {
        return "<tr><td class=\"n\">" + rank + "</td><td>" + entry + "</td><td>" + code + "</td><td class=\"n\">" +
               std::to_string(times) + "</td></tr>";
    };
    const std::string taggedRow = "Tag &lt;b&gt;&amp;&lt;/b&gt;</td><td>SOFTWARE\\Test\\&lt;Tag&gt;",
                      goneRow = "(no longer in the catalog)</td><td>SOFTWARE\\Test\\Gone",
                      sampleRow =
                          "<td>NVIDIA GeForce 8500 GT display driver</td><td>PCI\\VEN_10DE&amp;DEV_0421</td>"
                          "<td>4</td><td class=\"n\">1</td></tr>";
    const struct {
        const char* when;
        std::vector<std::string> shown;
        std::string notShown;
    } views[] = {
        {"before the retention",
         {bar(today, "1 scan"), bar(earlier, "3 scans"), bar(old, "2 scans"),
          osCode("4", "Windows XP, Server 2003", "5", "83.3"), osCode("6", "Windows Vista and later", "1", "16.7"),
          perScan("Items", "36.7"), perScan("Offers", "2.0"), offered("1", goneRow, "every&nbsp;Windows", 4),
          offered("2", taggedRow, "4", 3), sampleRow, "Offers counted since " + old + "."},
         "no offers"},
        {"after it",
         {bar(today, "1 scan"), bar(earlier, "3 scans"), osCode("4", "Windows XP, Server 2003", "3", "75.0"),
          perScan("Items", "50.0"), perScan("Offers", "2.5"), offered("1", taggedRow, "4", 3),
          offered("2", goneRow, "every&nbsp;Windows", 2), sampleRow, "Offers counted since " + earlier + "."},
         bar(old, "2 scans")},
    };
    for (const auto& view : views) {
        httplib::Result page = service.AdminClient().Get("/stats");
        ASSERT_TRUE(page && page->status == 200);
        for (const std::string& part : view.shown)
            EXPECT_NE(page->body.find(part), std::string::npos) << view.when << ": " << part << "\n" << page->body;
        EXPECT_EQ(page->body.find(view.notShown), std::string::npos) << view.when << ": " << view.notShown;
        RecorderSettings settings;
        settings.keepDays = 30;
        ScanRecorder recorder(service.Store(), settings);  // deletes expired records as it starts
        recorder.Stop(std::chrono::seconds(30));
    }
}

// A database as the first version of the service made it (its layout written out here as that
// version created it) is upgraded in place by two instances that open it at once: its catalog and
// scan records are kept, its entries are for every Windows, its records are rolled up per day,
// and the first version's reading of the catalog goes on working while its imports fail.
TEST_P(ServiceStoreTest, UpgradesADatabaseOfTheFirstLayoutInPlace)
{
    std::string error;
    const std::string database =
        GetParam() == StoreKind::Sqlite ? testing::TempDir() + "/first-layout.sqlite" : NewPostgresDatabase(error);
    ASSERT_FALSE(database.empty()) << error;
    if (GetParam() == StoreKind::Sqlite)
        std::filesystem::remove(database);
    std::unique_ptr<SqlConnection> first = OpenSqlConnection(database, error);
    ASSERT_TRUE(first) << error;
    const std::string display = "PCI\\VEN_10DE&DEV_0421";
    const std::vector<std::pair<std::string, std::vector<std::string>>> firstLayout = {
        {"CREATE TABLE catalog (identity TEXT PRIMARY KEY, hash TEXT NOT NULL, name TEXT NOT NULL, version TEXT NOT "
         "NULL, download TEXT NOT NULL)",
         {}},
        {"CREATE INDEX catalog_hash ON catalog(hash)", {}},
        {std::string("CREATE TABLE scans (id ") + first->Dialect().serialKey +
             ", scan_guid TEXT NOT NULL, received_utc " + first->Dialect().timeColumn +
             " NOT NULL, os_code TEXT NOT NULL, page TEXT NOT NULL, items INTEGER NOT NULL, offers INTEGER NOT NULL)",
         {}},
        {"CREATE INDEX scans_received ON scans(received_utc)", {}},
        {"CREATE TABLE catalog_state (version BIGINT NOT NULL)", {}},
        {"INSERT INTO catalog_state (version) VALUES (7)", {}},
        {"INSERT INTO catalog (identity, hash, name, version, download) VALUES ($1, $2, 'GeForce', '8.17.12.5896', "
         "'/nv.exe')",
         {display, CatalogIdentityHash(display)}},
        {"INSERT INTO scans (scan_guid, received_utc, os_code, page, items, offers) VALUES ('{OLD}', "
         "'2020-01-02T03:04:05Z', '6', 'desktop', 12, 1)",
         {}},
    };
    for (const auto& [statement, parameters] : firstLayout)
        ASSERT_TRUE(first->Execute(statement, parameters, nullptr, error)) << statement << ": " << error;

    std::unique_ptr<ServiceStore> stores[2];
    std::string errors[2];
    std::thread other([&] { stores[1] = ServiceStore::Open(database, errors[1]); });
    stores[0] = ServiceStore::Open(database, errors[0]);
    other.join();
    ASSERT_TRUE(stores[0] && stores[1]) << errors[0] << errors[1];

    std::vector<CatalogRow> rows;
    long long version = 0;
    ASSERT_TRUE(stores[1]->LoadCatalog(rows, version, error)) << error;
    ASSERT_EQ(rows.size(), 1u);
    const CatalogEntry& kept = rows[0].entry;
    EXPECT_EQ(std::make_tuple(rows[0].hashDecimal, kept.identity, kept.version, kept.osCode),
              std::make_tuple(CatalogIdentityHash(display), display, std::string("8.17.12.5896"), std::string()));
    EXPECT_EQ(version, 8);  // raised once: running instances load the catalog again
    std::vector<ScanRecord> records;
    ASSERT_TRUE(stores[0]->LatestScans(10, records, error)) << error;
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].scanGuid, "{OLD}");
    ScanStatistics statistics;
    ASSERT_TRUE(stores[0]->ReadStatistics(20, statistics, error)) << error;
    ASSERT_EQ(statistics.days.size(), 1u);
    const DayTotal& day = statistics.days[0];
    EXPECT_EQ(std::tie(day.day, day.osCode, day.scans, day.items, day.offers),
              std::make_tuple("2020-01-02", "6", 1, 12, 1));
    EXPECT_TRUE(statistics.mostOffered.empty());  // the first layout did not record which

    CatalogChanges changes;
    ASSERT_TRUE(stores[0]->ImportNewer({{display, "GeForce for XP", "6.14.11.8122", "/xp.exe", "4"}}, changes, error))
        << error;
    EXPECT_EQ(changes.added, 1u);
    std::vector<SqlRow> seenByFirst;
    ASSERT_TRUE(first->Execute("SELECT hash, identity, name, version, download FROM catalog", {}, &seenByFirst, error))
        << error;
    EXPECT_EQ(seenByFirst,
              (std::vector<SqlRow>{{CatalogIdentityHash(display), display, "GeForce", "8.17.12.5896", "/nv.exe"}}));
    EXPECT_FALSE(
        first->Execute("INSERT INTO catalog (identity, hash, name, version, download) VALUES ('X', '1', 'x', "
                       "'1', '/x') ON CONFLICT (identity) DO UPDATE SET name = excluded.name",
                       {}, nullptr, error));
    std::vector<SqlRow> layout;
    ASSERT_TRUE(first->Execute("SELECT version FROM schema_version", {}, &layout, error)) << error;
    EXPECT_EQ(layout, (std::vector<SqlRow>{{"3"}}));
}

INSTANTIATE_TEST_SUITE_P(Stores, ServiceStoreTest, testing::Values(StoreKind::Sqlite, StoreKind::Postgres),
                         [](const testing::TestParamInfo<StoreKind>& info) { return StoreName(info.param); });

TEST(ServiceStart, RefusesToStartWithWhatItCannotUse)
{
    TestService running;
    ASSERT_TRUE(running.Started());
    const std::string& folder = running.Folder();
    std::ofstream(folder + "/file") << "not a folder";
    const struct {
        const char* name;
        int port;
        std::string keptScans;
        std::string error;
    } cases[] = {
        {"port in use", running.Port(), "", "cannot listen on 127.0.0.1:" + std::to_string(running.Port())},
        {"missing folder of kept scans", 0, folder + "/missing", "cannot keep scans in " + folder + "/missing: "},
        {"kept scans in a file", 0, folder + "/file", "cannot keep scans in " + folder + "/file: Not a directory"},
    };
    for (const auto& c : cases) {
        ServiceConfig config;
        config.database = folder + "/second.sqlite";
        config.port = c.port;
        config.keptScans.folder = c.keptScans;
        std::string error;
        EXPECT_FALSE(KorvalaService::Open(config, error)) << c.name;
        EXPECT_NE(error.find(c.error), std::string::npos) << c.name << ": " << error;
    }
    httplib::Result stillServed = running.Client().Get("/");
    ASSERT_TRUE(stillServed);
    EXPECT_EQ(stillServed->status, 200);
}

TEST(ScanKeeper, NumbersFilesOnWithoutReplacingAny)
{
    const std::string folder = testing::TempDir() + "/kept-scans";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/scan-7.xml") << "earlier run";
    std::ofstream(folder + "/notes.txt") << "not a kept scan";
    const std::string document = WholeDocument("", "me@example.com", "secret");
    ScanReport report;
    std::string error;
    ASSERT_TRUE(ReadScanDocument(document, report, error)) << error;

    // Two instances that share the folder, both started after the earlier run.
    ScanKeeper first({folder}), second({folder});
    first.Keep(document, report);
    second.Keep(document, report);
    first.Stop();
    second.Stop();
    auto read = [&](const char* name) {
        std::ifstream file(folder + "/" + name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    };
    EXPECT_EQ(read("scan-7.xml"), "earlier run");
    EXPECT_EQ(read("scan-8.xml"), WholeDocument("", "me@example.com", ""));
    EXPECT_EQ(read("scan-9.xml"), WholeDocument("", "me@example.com", ""));
    std::filesystem::remove_all(folder);
}

TEST(ScanKeeper, KeepsNoMoreThanItsBounds)
{
    const std::string folder = testing::TempDir() + "/bounded-scans";
    const std::string earlier = "earlier run", document = WholeDocument("");
    ScanReport report;
    std::string error;
    ASSERT_TRUE(ReadScanDocument(document, report, error)) << error;
    const struct {
        const char* name;
        size_t maxFiles;
        size_t maxBytes;
        size_t files;  // in the folder afterwards, the earlier one included
    } cases[] = {
        {"files", 3, size_t{1} << 30, 3},
        {"bytes", 100, earlier.size() + 2 * document.size() + document.size() / 2, 3},
        {"nothing more", 1, size_t{1} << 30, 1},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        std::ofstream(folder + "/scan-1.xml") << earlier;
        ScanKeeper keeper({folder, c.maxFiles, c.maxBytes});
        for (int i = 0; i < 5; ++i)
            keeper.Keep(document, report);
        keeper.Stop();
        size_t files = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            files += entry.path().filename().string().rfind("scan-", 0) == 0 ? 1 : 0;
        EXPECT_EQ(files, c.files) << c.name;
    }
    std::filesystem::remove_all(folder);
}

}  // namespace
