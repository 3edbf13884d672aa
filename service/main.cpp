// korvala-service: the update service that Korvala's desktop program and component talk to.
#include "catalog_store.h"
#include "catalog_text.h"
#include "korvala_routes.h"
#include "service_options.h"

#include <httplib.h>

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <thread>

namespace {

int ImportCatalog(CatalogStore& catalog, const ServiceOptions& options)
{
    std::ifstream file(options.importFile, std::ios::binary);
    if (!file) {
        std::cerr << "korvala-service: cannot read " << options.importFile << "\n";
        return 1;
    }
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    CatalogText parsed = ReadCatalogText(text);
    for (const std::string& fault : parsed.errors)
        std::cerr << options.importFile << ": " << fault << "\n";
    if (!parsed.errors.empty()) {
        std::cerr << "korvala-service: nothing imported\n";
        return 1;
    }
    std::string error;
    if (!catalog.Import(parsed.entries, error)) {
        std::cerr << "korvala-service: import failed: " << error << "\n";
        return 1;
    }
    std::cout << "Imported " << parsed.entries.size() << " entries into " << options.catalogPath << " ("
              << catalog.EntryCount() << " in the catalog).\n";
    return 0;
}

int Serve(CatalogStore& catalog, const ServiceOptions& options, const sigset_t& stopSignals)
{
    httplib::Server server;
    InstallKorvalaRoutes(server, catalog, RouteSettings{options.downloadsDir, options.keptScansDir});
    int port = options.port;
    if (port == 0)
        port = server.bind_to_any_port(options.host);
    else if (!server.bind_to_port(options.host, port))
        port = -1;
    if (port < 0) {
        std::cerr << "korvala-service: cannot listen on " << options.host << ":" << options.port << "\n";
        return 1;
    }
    std::cerr << "korvala-service: listening on http://" << options.host << ":" << port << " (catalog "
              << options.catalogPath << ", " << catalog.EntryCount() << " entries)" << std::endl;

    std::thread stopper([&] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        server.stop();
    });
    bool served = server.listen_after_bind();
    // Wakes the stopper when listening ended for another reason than a signal.
    kill(getpid(), SIGTERM);
    stopper.join();
    std::cerr << "korvala-service: stopped" << std::endl;
    return served ? 0 : 1;
}

}  // namespace

int main(int argc, char* argv[])
{
    // Signals are taken by one thread with sigwait; every other thread, the server's included,
    // inherits the blocked mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    ServiceOptions options;
    std::string error;
    if (!ParseServiceOptions(argc, argv, KORVALA_SERVICE_URL, options, error)) {
        std::cerr << "korvala-service: " << error << "\n\n" << ServiceUsage(KORVALA_SERVICE_URL);
        return 2;
    }
    if (options.help) {
        std::cout << ServiceUsage(KORVALA_SERVICE_URL);
        return 0;
    }
    std::unique_ptr<CatalogStore> catalog = CatalogStore::Open(options.catalogPath, error);
    if (!catalog) {
        std::cerr << "korvala-service: " << error << "\n";
        return 1;
    }
    if (!options.importFile.empty())
        return ImportCatalog(*catalog, options);
    return Serve(*catalog, options, stopSignals);
}
