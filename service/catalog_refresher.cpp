#include "catalog_refresher.h"

#include "service_log.h"

CatalogRefresher::CatalogRefresher(ServiceStore& store, CatalogSnapshots& snapshots, std::chrono::milliseconds interval,
                                   double firstLoadSeconds)
    : store_(store), snapshots_(snapshots), interval_(interval)
{
    stats_.loadSeconds = firstLoadSeconds;
    poller_ = std::thread([this] { Poll(); });
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

std::unique_ptr<const CatalogSnapshot> CatalogRefresher::Load(ServiceStore& store, std::string& error, double& seconds)
{
    const auto start = std::chrono::steady_clock::now();
    std::vector<CatalogRow> rows;
    long long version = 0;
    if (!store.LoadCatalog(rows, version, error))
        return nullptr;
    auto snapshot = std::make_unique<const CatalogSnapshot>(std::move(rows), version);
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return snapshot;
}

RefresherStats CatalogRefresher::Stats()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return stats_;
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
    double seconds = 0;
    bool read = store_.CatalogVersion(version, error);
    std::unique_ptr<const CatalogSnapshot> next;
    if (read && version != snapshots_.Read()->Version())
        next = Load(store_, error, seconds);
    std::unique_lock<std::mutex> lock(mutex_);
    if (!read || (version != snapshots_.Read()->Version() && !next)) {
        if (!stats_.failing)
            LogService("cannot read the catalog, keeping the last one: " + error);
        stats_.failing = true;
        stats_.error = error;
        ++stats_.failures;
        return;
    }
    stats_.failing = false;
    if (!next)
        return;
    stats_.loadSeconds = seconds;
    lock.unlock();
    LogService("catalog version " + std::to_string(next->Version()) + " loaded (" + std::to_string(next->EntryCount()) +
               " entries)");
    snapshots_.Publish(std::move(next));
}
