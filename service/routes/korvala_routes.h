#pragma once
// The service's addresses: results page, update count, information pages and the installer
// download. Each address is one exact request target.
#include "catalog_snapshots.h"
#include "http_server.h"
#include "scan_keeper.h"
#include "scan_recorder.h"

#include <string>
#include <vector>

struct RouteSettings {
    std::string downloadsDir;  // where korvala-setup.exe is served from
    // Real documents hold a few hundred items; a larger one is refused with 413.
    size_t maxItems = 5000;
};

class KorvalaRoutes {
public:
    // Everything given must outlive the routes.
    KorvalaRoutes(const CatalogSnapshots& catalog, ScanRecorder& recorder, ScanKeeper& keeper, RouteSettings settings);

    void Handle(const HttpRequest& request, HttpResponse& response) const;
    // Every address, for counting requests apart.
    static std::vector<std::string> Targets();
    // The reply that refuses a request: for the update count a plain text that starts with
    // "Error:", so that a client reading a number gets none; an HTML page elsewhere.
    static void Refuse(const std::string& target, int status, HttpResponse& response);

private:
    struct Evaluation;
    bool Evaluate(const HttpRequest& request, std::string_view document, const char* page, Evaluation& result,
                  HttpResponse& response) const;
    void Results(const HttpRequest& request, HttpResponse& response) const;
    void Count(const HttpRequest& request, HttpResponse& response) const;
    void Installer(const HttpRequest& request, HttpResponse& response) const;

    const CatalogSnapshots& catalog_;
    ScanRecorder& recorder_;
    ScanKeeper& keeper_;
    const RouteSettings settings_;
};
