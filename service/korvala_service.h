#pragma once
// korvala-service put together: the database, the catalog snapshot that follows it, the scan
// record writer, the kept documents, the routes and the HTTP server, and the admin listener
// with the service's metrics, health, readiness and statistics page.
#include "admin_routes.h"
#include "catalog_refresher.h"
#include "http_server.h"
#include "korvala_routes.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

struct ServiceConfig {
    std::string host = "127.0.0.1";
    int port = 0;                         // 0 picks a free port
    std::string adminHost = "127.0.0.1";  // the admin listener's
    int adminPort = 0;
    std::string database;      // SQLite file or "postgresql://" address
    std::string downloadsDir;  // where korvala-setup.exe is served from
    KeepSettings keptScans;    // an empty folder: documents are not kept
    HttpLimits limits;
    RouteSettings routes;
    RecorderSettings recorder;
    std::chrono::milliseconds catalogPoll{1000};  // how often the catalog version is read
};

// An answer of the health and readiness checks: whether all is well, and one line that says why.
struct Condition {
    bool good;
    std::string reason;
};

class KorvalaService {
public:
    // Checks the folder of kept scans, opens the database, loads the catalog and listens on both
    // listeners. nullptr and a message when any fails.
    static std::unique_ptr<KorvalaService> Open(const ServiceConfig& config, std::string& error);
    ~KorvalaService() = default;
    KorvalaService(const KorvalaService&) = delete;
    KorvalaService& operator=(const KorvalaService&) = delete;

    int Port() const { return server_->Port(); }
    int AdminPort() const { return admin_->Port(); }
    size_t CatalogEntries() const { return snapshots_->Read()->EntryCount(); }
    long long CatalogVersion() const { return snapshots_->Read()->Version(); }
    // Serves until Stop, then writes the queued kept documents and scan records; the admin
    // listener answers until they are written.
    void Run();
    // From any thread: /readyz answers 503 from now on, so that a load balancer stops sending
    // requests; the service goes on answering them until Stop.
    void Drain() { draining_ = true; }
    // From any thread; Run returns once the requests under way are answered and the scan records
    // written.
    void Stop();
    // Another connection to the service's database.
    ServiceStore& Store() { return *catalogStore_; }

    // /healthz: whether every event loop of the public listener turns.
    Condition Health() const;
    // /readyz: whether the service takes scans: it is not stopping, its catalog can be read and
    // its scan records written.
    Condition Readiness();

private:
    KorvalaService() = default;
    void AddAdminPages();

    std::unique_ptr<ServiceStore> catalogStore_;  // read by the refresher
    std::unique_ptr<ServiceStore> recordStore_;   // written by the recorder
    std::unique_ptr<CatalogSnapshots> snapshots_;
    std::unique_ptr<ScanRecorder> recorder_;
    std::unique_ptr<ScanKeeper> keeper_;
    std::unique_ptr<KorvalaRoutes> routes_;
    std::unique_ptr<HttpServer> server_;
    AdminRoutes adminRoutes_;
    std::unique_ptr<HttpServer> admin_;
    std::unique_ptr<CatalogRefresher> refresher_;  // last: its thread ends first
    std::atomic<bool> draining_{false};
    double startTime_ = 0;
    int keepDays_ = 0;  // of the scan records, for the statistics page
};
