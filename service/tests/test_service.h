#pragma once
// A korvala-service instance for tests, served by threads of the test on an ephemeral loopback
// port: its database is a fresh SQLite file in a temporary folder or a fresh database on the
// tests' own PostgreSQL server (filled with the sample catalog either way), or a database that
// another instance uses.
#include "korvala_service.h"

#include <httplib.h>

#include <memory>
#include <string>
#include <thread>

enum class StoreKind { Sqlite, Postgres };

// For test names: "SQLite" or "PostgreSQL".
std::string StoreName(StoreKind kind);

struct TestServiceOptions {
    explicit TestServiceOptions(StoreKind kind = StoreKind::Sqlite) : store(kind) {}

    StoreKind store;
    std::string database;    // when set, this database instead of a fresh one
    bool keepScans = false;  // the desktop documents it accepts are saved in KeptScansFolder()
    HttpLimits limits;
    RecorderSettings recorder;
};

class TestService {
public:
    explicit TestService(StoreKind store = StoreKind::Sqlite);
    explicit TestService(const TestServiceOptions& options);
    ~TestService();

    // false (with a failed expectation) when the service did not start.
    bool Started() const { return service_ != nullptr; }
    httplib::Client Client() const;
    int Port() const { return service_ ? service_->Port() : -1; }
    // A client of the admin listener (/metrics, /healthz, /readyz, /stats).
    httplib::Client AdminClient() const;
    ServiceStore& Store() { return service_->Store(); }
    const std::string& Database() const { return database_; }
    const std::string& Folder() const { return folder_; }
    std::string DownloadsFolder() const { return folder_ + "/downloads"; }
    std::string KeptScansFolder() const { return folder_ + "/scans"; }
    // Stops serving as SIGTERM does: requests under way are answered, scan records written.
    void Stop();

    // Imports entries through another connection, as the import command does, and waits (at
    // most a generous while) until this instance answers from the new catalog.
    bool ImportAndWait(const std::vector<CatalogEntry>& entries);
    // Waits until the service's catalog has the database's version.
    bool WaitForCatalog();
    // Waits until the database holds the given number of scan records.
    bool WaitForScans(long long count);

private:
    std::string folder_;
    std::string database_;
    std::unique_ptr<KorvalaService> service_;
    std::thread runner_;
};

// The inventory of the demo PC: five updates in the sample catalog, and items without one.
std::string SamplePcInventory();
constexpr size_t kSamplePcOffers = 5;
constexpr size_t kSamplePcItems = 20;
