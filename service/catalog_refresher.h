#pragma once
// Keeps the catalog snapshot current: a thread reads the database's catalog version now and
// then and, when it changed (an import through this or another instance), loads the whole
// catalog into a new snapshot and publishes it. Failures are logged; the last snapshot stays.
#include "catalog_snapshots.h"
#include "service_store.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

// What the refresher has seen, for the service's metrics and readiness.
struct RefresherStats {
    double loadSeconds = 0;  // how long the last load of the catalog took
    uint64_t failures = 0;   // reads of the catalog or its version that failed
    bool failing = false;    // the last read failed
    std::string error;       // its message
};

class CatalogRefresher {
public:
    // firstLoadSeconds: how long the load of the snapshot that snapshots holds took.
    CatalogRefresher(ServiceStore& store, CatalogSnapshots& snapshots, std::chrono::milliseconds interval,
                     double firstLoadSeconds);
    ~CatalogRefresher();
    CatalogRefresher(const CatalogRefresher&) = delete;
    CatalogRefresher& operator=(const CatalogRefresher&) = delete;

    // The catalog as a new snapshot, and how long its load took; nullptr and a message when it
    // cannot be read.
    static std::unique_ptr<const CatalogSnapshot> Load(ServiceStore& store, std::string& error, double& seconds);
    RefresherStats Stats();

private:
    void Poll();
    void RefreshIfChanged();

    ServiceStore& store_;
    CatalogSnapshots& snapshots_;
    const std::chrono::milliseconds interval_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    RefresherStats stats_;  // under mutex_
    std::thread poller_;
};
