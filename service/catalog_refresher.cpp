#include "catalog_refresher.h"

#include "service_log.h"

CatalogRefresher::CatalogRefresher(ServiceStore& store, CatalogSnapshots& snapshots, std::chrono::milliseconds interval)
    : store_(store), snapshots_(snapshots), interval_(interval), poller_([this] { Poll(); })
{
}

CatalogRefresher::~CatalogRefresher()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    poller_.join();
}

std::unique_ptr<const CatalogSnapshot> CatalogRefresher::Load(ServiceStore& store, std::string& error)
{
    std::vector<CatalogRow> rows;
    long long version = 0;
    if (!store.LoadCatalog(rows, version, error))
        return nullptr;
    return std::make_unique<const CatalogSnapshot>(std::move(rows), version);
}

void CatalogRefresher::Poll()
{
    std::unique_lock<std::mutex> lock(mutex_);
    while (!wake_.wait_for(lock, interval_, [this] { return stopping_; })) {
        lock.unlock();
        RefreshIfChanged();
        lock.lock();
    }
}

void CatalogRefresher::RefreshIfChanged()
{
    std::string error;
    long long version = 0;
    bool read = store_.CatalogVersion(version, error);
    if (read && version == snapshots_.Read()->Version()) {
        failing_ = false;
        return;
    }
    std::unique_ptr<const CatalogSnapshot> next;
    if (read)
        next = Load(store_, error);
    if (!next) {
        if (!failing_)
            LogService("cannot read the catalog, keeping the last one: " + error);
        failing_ = true;
        return;
    }
    failing_ = false;
    LogService("catalog version " + std::to_string(next->Version()) + " loaded (" + std::to_string(next->EntryCount()) +
               " entries)");
    snapshots_.Publish(std::move(next));
}
