#include "test_service.h"

#include "scan_documents.h"
#include "test_postgres.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

namespace {

// Generous: the machine may be busy with other work; a healthy service needs milliseconds.
constexpr auto kPatience = std::chrono::seconds(60);

template <typename Condition>
bool WaitUntil(Condition condition)
{
    const auto end = std::chrono::steady_clock::now() + kPatience;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

}  // namespace

std::string StoreName(StoreKind kind)
{
    return kind == StoreKind::Sqlite ? "SQLite" : "PostgreSQL";
}

TestService::TestService(StoreKind store) : TestService(TestServiceOptions(store)) {}

TestService::TestService(const TestServiceOptions& options)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "korvala-service-XXXXXX").string();
    folder_ = mkdtemp(pattern.data()) ? pattern : std::string();
    std::filesystem::create_directory(DownloadsFolder());
    std::filesystem::create_directory(KeptScansFolder());
    std::string error;
    database_ = options.database;
    if (database_.empty())
        database_ = options.store == StoreKind::Sqlite ? folder_ + "/catalog.sqlite" : NewPostgresDatabase(error);
    EXPECT_FALSE(database_.empty()) << error;

    ServiceConfig config;
    config.database = database_;
    config.downloadsDir = DownloadsFolder();
    config.keptScans.folder = options.keepScans ? KeptScansFolder() : std::string();
    config.limits = options.limits;
    config.recorder = options.recorder;
    config.catalogPoll = std::chrono::milliseconds(50);
    if (!database_.empty())
        service_ = KorvalaService::Open(config, error);
    EXPECT_TRUE(service_) << error;
    if (service_)
        runner_ = std::thread([this] { service_->Run(); });
}

TestService::~TestService()
{
    Stop();
    service_.reset();
    std::filesystem::remove_all(folder_);
}

void TestService::Stop()
{
    if (!runner_.joinable())
        return;
    service_->Stop();
    runner_.join();
}

httplib::Client TestService::Client() const
{
    httplib::Client client("127.0.0.1", Port());
    client.set_read_timeout(60, 0);
    return client;
}

httplib::Client TestService::AdminClient() const
{
    httplib::Client client("127.0.0.1", service_ ? service_->AdminPort() : -1);
    client.set_read_timeout(60, 0);
    return client;
}

bool TestService::WaitForCatalog()
{
    return WaitUntil([this] {
        long long version = 0;
        std::string error;
        return Store().CatalogVersion(version, error) && service_->CatalogVersion() == version;
    });
}

bool TestService::ImportAndWait(const std::vector<CatalogEntry>& entries)
{
    std::string error;
    std::unique_ptr<ServiceStore> importer = ServiceStore::Open(database_, error);
    EXPECT_TRUE(importer && importer->Import(entries, error)) << error;
    return importer && WaitForCatalog();
}

bool TestService::WaitForScans(long long count)
{
    return WaitUntil([&] { return Store().ScanCount() == count; });
}

std::string SamplePcInventory()
{
    return DeviceLines("PCI\\VEN_8086&DEV_27C5&SUBSYS_01AD1028&REV_01", "5.1.2600.0", true) +
           DeviceLines("PCI\\VEN_10DE&DEV_0421&SUBSYS_04601458&REV_A1", "6.14.11.6921", true) +
           DeviceLines("USB\\VID_046D&PID_C01E&REV_2200", "4.80.0.0", true) +
           DeviceLines("PCI\\VEN_14E4&DEV_1693&SUBSYS_01AD1028&REV_02", "{4D36E972-E325-11CE-BFC1-08002BE10318}\\0001",
                       true) +
           DeviceLines("PCI\\VEN_1234&DEV_5678&SUBSYS_00000000&REV_00", "1.0", true) +
           ProgramLine("SOFTWARE\\Acme Ltd\\Acme Viewer", "1.0.0.0", true) +
           ProgramLine("SOFTWARE\\Northwind Traders\\Northwind Mail", "1, 0, 0, 0", true) +
           ProgramLine("SOFTWARE\\Contoso\\Contoso Paint", "2.5.0.0", true);
}
