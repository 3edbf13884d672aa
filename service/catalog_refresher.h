#pragma once
// Keeps the catalog snapshot current: a thread reads the database's catalog version now and
// then and, when it changed (an import through this or another instance), loads the whole
// catalog into a new snapshot and publishes it. Failures are logged; the last snapshot stays.
#include "catalog_snapshots.h"
#include "service_store.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

class CatalogRefresher {
public:
    CatalogRefresher(ServiceStore& store, CatalogSnapshots& snapshots, std::chrono::milliseconds interval);
    ~CatalogRefresher();
    CatalogRefresher(const CatalogRefresher&) = delete;
    CatalogRefresher& operator=(const CatalogRefresher&) = delete;

    // The catalog as a new snapshot; nullptr and a message when it cannot be read.
    static std::unique_ptr<const CatalogSnapshot> Load(ServiceStore& store, std::string& error);

private:
    void Poll();
    void RefreshIfChanged();

    ServiceStore& store_;
    CatalogSnapshots& snapshots_;
    const std::chrono::milliseconds interval_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    bool failing_ = false;
    std::thread poller_;
};
