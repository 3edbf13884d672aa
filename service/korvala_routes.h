#pragma once
// The service's addresses on an HTTP server: results page, update count, information pages and
// the installer download.
#include "catalog_store.h"

#include <httplib.h>

#include <string>

struct RouteSettings {
    std::string downloadsDir;                       // where korvala-setup.exe is served from
    std::string keptScansDir;                       // when set, desktop documents are saved there
    size_t maxBodyBytes = size_t{8} * 1024 * 1024;  // larger request bodies get 413
};

// The catalog must outlive the server.
void InstallKorvalaRoutes(httplib::Server& server, CatalogStore& catalog, const RouteSettings& settings);
