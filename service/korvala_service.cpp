#include "korvala_service.h"

#include "service_metrics.h"
#include "stats_page.h"

#include <ctime>
#include <thread>

namespace {

// How long a stop keeps trying to write the queued scan records to a failing database.
constexpr auto kRecordPatience = std::chrono::seconds(30);
// A loop of the public listener turns at least every 100 ms while it runs; one that has not
// turned for this long is stuck.
constexpr auto kStuckLoop = std::chrono::seconds(2);
constexpr const char* kPlainText = "text/plain; charset=utf-8";

void Answer(const Condition& condition, HttpResponse& response)
{
    response.status = condition.good ? 200 : 503;
    response.SetContent(condition.reason + "\n", kPlainText);
}

}  // namespace

std::unique_ptr<KorvalaService> KorvalaService::Open(const ServiceConfig& config, std::string& error)
{
    if (!ScanKeeper::CanKeep(config.keptScans, error))
        return nullptr;
    std::unique_ptr<KorvalaService> service(new KorvalaService());
    service->startTime_ = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    service->keepDays_ = config.recorder.keepDays;
    service->catalogStore_ = ServiceStore::Open(config.database, error);
    if (!service->catalogStore_)
        return nullptr;
    service->recordStore_ = ServiceStore::Open(config.database, error);
    if (!service->recordStore_)
        return nullptr;
    double loadSeconds = 0;
    std::unique_ptr<const CatalogSnapshot> catalog =
        CatalogRefresher::Load(*service->catalogStore_, error, loadSeconds);
    if (!catalog) {
        error = "cannot read the catalog: " + error;
        return nullptr;
    }
    service->snapshots_ = std::make_unique<CatalogSnapshots>(std::move(catalog));
    service->recorder_ = std::make_unique<ScanRecorder>(*service->recordStore_, config.recorder);
    service->keeper_ = std::make_unique<ScanKeeper>(config.keptScans);
    RouteSettings routes = config.routes;
    routes.downloadsDir = config.downloadsDir;
    service->routes_ =
        std::make_unique<KorvalaRoutes>(*service->snapshots_, *service->recorder_, *service->keeper_, routes);
    KorvalaRoutes& handler = *service->routes_;
    service->server_ = std::make_unique<HttpServer>(
        [&handler](const HttpRequest& request, HttpResponse& response) { handler.Handle(request, response); },
        KorvalaRoutes::Refuse, config.limits, KorvalaRoutes::Targets());
    if (!service->server_->Listen(config.host, config.port, error))
        return nullptr;
    service->AddAdminPages();
    // Operators' requests are few: one loop, and the default limits.
    HttpLimits adminLimits;
    adminLimits.loops = 1;
    const AdminRoutes& admin = service->adminRoutes_;
    service->admin_ = std::make_unique<HttpServer>(
        [&admin](const HttpRequest& request, HttpResponse& response) { admin.Handle(request, response); },
        AdminRoutes::Refuse, adminLimits, admin.Targets());
    if (!service->admin_->Listen(config.adminHost, config.adminPort, error)) {
        error = "admin listener: " + error;
        return nullptr;
    }
    service->refresher_ = std::make_unique<CatalogRefresher>(*service->catalogStore_, *service->snapshots_,
                                                             config.catalogPoll, loadSeconds);
    return service;
}

void KorvalaService::AddAdminPages()
{
    adminRoutes_.Add("/metrics", [this](const HttpRequest&, HttpResponse& response) {
        response.SetContent(ServiceMetricsText({*server_, *recorder_, *refresher_, *snapshots_, startTime_}),
                            "text/plain; version=0.0.4; charset=utf-8");
    });
    adminRoutes_.Add("/healthz", [this](const HttpRequest&, HttpResponse& response) { Answer(Health(), response); });
    adminRoutes_.Add("/readyz", [this](const HttpRequest&, HttpResponse& response) { Answer(Readiness(), response); });
    // Read from the daily roll-ups: milliseconds, whatever the number of records.
    adminRoutes_.Add("/stats", [this](const HttpRequest&, HttpResponse& response) {
        ScanStatistics statistics;
        std::string error;
        if (!catalogStore_->ReadStatistics(kMostOfferedEntries, statistics, error))
            return Answer({false, "cannot read the statistics: " + error}, response);
        response.SetContent(RenderStatsPage(statistics, std::time(nullptr), keepDays_), "text/html; charset=utf-8");
    });
}

void KorvalaService::Run()
{
    std::thread admin([this] { admin_->Run(); });
    server_->Run();
    keeper_->Stop();
    recorder_->Stop(kRecordPatience);
    admin_->Stop();
    admin.join();
}

void KorvalaService::Stop()
{
    Drain();
    server_->Stop();
}

Condition KorvalaService::Health() const
{
    if (!server_->Running())
        return {false, "not serving: the service is stopping"};
    const auto pause = server_->LongestPause();
    if (pause > kStuckLoop)
        return {false, "an event loop has not turned for " +
                           std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(pause).count()) +
                           " ms"};
    return {true, "ok"};
}

Condition KorvalaService::Readiness()
{
    if (draining_)
        return {false, "not ready: the service is stopping"};
    const RecorderStats records = recorder_->Stats();
    if (records.failing)
        return {false, "not ready: scan records cannot be written: " + records.error};
    if (records.queued >= records.capacity)
        return {false, "not ready: the queue of scan records is full"};
    const RefresherStats catalog = refresher_->Stats();
    if (catalog.failing)
        return {false, "not ready: the catalog cannot be read: " + catalog.error};
    return {true, "ready"};
}
