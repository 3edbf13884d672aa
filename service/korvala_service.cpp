#include "korvala_service.h"

namespace {

// How long a stop keeps trying to write the queued scan records to a failing database.
constexpr auto kRecordPatience = std::chrono::seconds(30);

}  // namespace

std::unique_ptr<KorvalaService> KorvalaService::Open(const ServiceConfig& config, std::string& error)
{
    if (!ScanKeeper::CanKeep(config.keptScans, error))
        return nullptr;
    std::unique_ptr<KorvalaService> service(new KorvalaService());
    service->catalogStore_ = ServiceStore::Open(config.database, error);
    if (!service->catalogStore_)
        return nullptr;
    service->recordStore_ = ServiceStore::Open(config.database, error);
    if (!service->recordStore_)
        return nullptr;
    std::unique_ptr<const CatalogSnapshot> catalog = CatalogRefresher::Load(*service->catalogStore_, error);
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
        KorvalaRoutes::Refuse, config.limits);
    if (!service->server_->Listen(config.host, config.port, error))
        return nullptr;
    service->refresher_ =
        std::make_unique<CatalogRefresher>(*service->catalogStore_, *service->snapshots_, config.catalogPoll);
    return service;
}

void KorvalaService::Run()
{
    server_->Run();
    recorder_->Stop(kRecordPatience);
}
