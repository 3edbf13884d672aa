#pragma once
// korvala-service put together: the database, the catalog snapshot that follows it, the scan
// record writer, the kept documents, the routes and the HTTP server.
#include "catalog_refresher.h"
#include "http_server.h"
#include "korvala_routes.h"

#include <chrono>
#include <memory>
#include <string>

struct ServiceConfig {
    std::string host = "127.0.0.1";
    int port = 0;              // 0 picks a free port
    std::string database;      // SQLite file or "postgresql://" address
    std::string downloadsDir;  // where korvala-setup.exe is served from
    KeepSettings keptScans;    // an empty folder: documents are not kept
    HttpLimits limits;
    RouteSettings routes;
    RecorderSettings recorder;
    std::chrono::milliseconds catalogPoll{1000};  // how often the catalog version is read
};

class KorvalaService {
public:
    // Checks the folder of kept scans, opens the database, loads the catalog and listens. nullptr
    // and a message when any fails.
    static std::unique_ptr<KorvalaService> Open(const ServiceConfig& config, std::string& error);
    ~KorvalaService() = default;
    KorvalaService(const KorvalaService&) = delete;
    KorvalaService& operator=(const KorvalaService&) = delete;

    int Port() const { return server_->Port(); }
    size_t CatalogEntries() const { return snapshots_->Read()->EntryCount(); }
    long long CatalogVersion() const { return snapshots_->Read()->Version(); }
    // Serves until Stop, then writes the queued scan records.
    void Run();
    // From any thread; Run returns once the requests under way are answered.
    void Stop() { server_->Stop(); }
    // Another connection to the service's database.
    ServiceStore& Store() { return *catalogStore_; }

private:
    KorvalaService() = default;

    std::unique_ptr<ServiceStore> catalogStore_;  // read by the refresher
    std::unique_ptr<ServiceStore> recordStore_;   // written by the recorder
    std::unique_ptr<CatalogSnapshots> snapshots_;
    std::unique_ptr<ScanRecorder> recorder_;
    std::unique_ptr<ScanKeeper> keeper_;
    std::unique_ptr<KorvalaRoutes> routes_;
    std::unique_ptr<HttpServer> server_;
    std::unique_ptr<CatalogRefresher> refresher_;  // last: its thread ends first
};
