// korvala-service: the update service that Korvala's desktop program and component talk to.
#include "catalog_text.h"
#include "driver_import.h"
#include "korvala_service.h"
#include "service_log.h"
#include "service_options.h"

#include <signal.h>
#include <systemd/sd-daemon.h>
#include <unistd.h>

#include <fstream>
#include <iostream>
#include <iterator>
#include <thread>

namespace {

// How long an ending program waits for standard error to take the last lines of its log.
constexpr auto kLogPatience = std::chrono::seconds(5);

int ImportCatalog(const ServiceOptions& options)
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
    std::unique_ptr<ServiceStore> store = ServiceStore::Open(options.Database(), error);
    if (!store || !store->Import(parsed.entries, error)) {
        std::cerr << "korvala-service: import failed: " << error << "\n";
        return 1;
    }
    std::cout << "Imported " << parsed.entries.size() << " entries (" << store->EntryCount() << " in the catalog).\n";
    return 0;
}

int ImportDrivers(const ServiceOptions& options)
{
    DriverImportSettings settings;
    settings.folder = options.driverFolder;
    settings.downloadBase = options.downloadBase;
    settings.architecture = options.driverArchitecture == "amd64" ? Architecture::Amd64 : Architecture::X86;
    settings.codes = options.driverCodes;
    const DriverImport import = ReadDriverPackages(settings);
    std::cout << "Driver packages in " << options.driverFolder << " (" << options.driverArchitecture << "):\n"
              << DescribeDriverImport(import);
    if (import.infRead == 0) {
        std::cerr << "korvala-service: no INF file could be read; nothing imported\n";
        return 1;
    }
    std::string error;
    CatalogChanges changes;
    std::unique_ptr<ServiceStore> store = ServiceStore::Open(options.Database(), error);
    if (!store || !store->ImportNewer(import.entries, changes, error)) {
        std::cerr << "korvala-service: import failed, nothing imported: " << error << "\n";
        return 1;
    }
    std::cout << "catalog: " << changes.added << " entries added, " << changes.replaced << " replaced, "
              << changes.unchanged << " unchanged, " << changes.keptNewer << " kept (the catalog's entry is newer); "
              << store->EntryCount() << " entries in the catalog\n";
    return 0;
}

int Serve(const ServiceOptions& options, const sigset_t& stopSignals)
{
    ServiceConfig config;
    config.host = options.host;
    config.port = options.port;
    config.adminHost = options.adminHost;
    config.adminPort = options.adminPort;
    config.database = options.Database();
    config.downloadsDir = options.downloadsDir;
    config.keptScans = {options.keptScansDir, options.keptScansFiles, options.keptScansBytes};
    config.recorder.keepDays = options.keepDays;
    config.limits.maxConnectionsPerClient = options.clientConnections;
    config.limits.maxBufferedBodyBytes = options.requestBuffers;
    std::string error;
    std::unique_ptr<KorvalaService> service = KorvalaService::Open(config, error);
    if (!service) {
        std::cerr << "korvala-service: " << error << "\n";
        return 1;
    }
    const std::string listening =
        "listening on http://" + options.host + ":" + std::to_string(service->Port()) + " (" +
        (options.databaseAddress.empty() ? "catalog " + options.catalogPath : std::string("PostgreSQL")) + ", " +
        std::to_string(service->CatalogEntries()) + " entries)";
    LogService(listening);
    LogService("admin listener on http://" + options.adminHost + ":" + std::to_string(service->AdminPort()) +
               " (/metrics, /healthz, /readyz, /stats)");
    // Tells systemd (Type=notify) that the service answers; nothing happens when it was not
    // started by systemd.
    sd_notify(0, ("READY=1\nSTATUS=" + listening).c_str());

    std::thread stopper([&] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        sd_notify(0, "STOPPING=1");
        service->Drain();
        // A second signal ends the drain at once.
        const timespec drain{options.drainSeconds, 0};
        if (options.drainSeconds > 0)
            sigtimedwait(&stopSignals, nullptr, &drain);
        service->Stop();
    });
    service->Run();
    // Wakes the stopper when serving ended for another reason than a signal: every thread blocks
    // SIGTERM, so only the stopper's sigwait takes it.
    kill(getpid(), SIGTERM);
    stopper.join();
    LogService("stopped");
    FlushLog(kLogPatience);
    return 0;
}

}  // namespace

int main(int argc, char* argv[])
{
    // Signals are taken by one thread with sigwait; every other thread inherits the blocked mask.
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
    if (!options.importFile.empty())
        return ImportCatalog(options);
    if (!options.driverFolder.empty())
        return ImportDrivers(options);
    return Serve(options, stopSignals);
}
