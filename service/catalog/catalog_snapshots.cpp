#include "catalog_snapshots.h"

#include <chrono>
#include <functional>
#include <thread>
#include <utility>

CatalogSnapshots::Pin::~Pin()
{
    if (slot_)
        slot_->store(nullptr, std::memory_order_release);
}

CatalogSnapshots::CatalogSnapshots(std::unique_ptr<const CatalogSnapshot> first)
    : owner_(std::move(first)), current_(owner_.get())
{
    for (auto& slot : slots_)
        slot.store(nullptr);
}

CatalogSnapshots::~CatalogSnapshots() = default;

CatalogSnapshots::Pin CatalogSnapshots::Read() const
{
    size_t start = std::hash<std::thread::id>()(std::this_thread::get_id());
    for (size_t attempt = 0;; ++attempt) {
        std::atomic<const CatalogSnapshot*>& slot = slots_[(start + attempt) % kSlots];
        const CatalogSnapshot* snapshot = current_.load();
        const CatalogSnapshot* free = nullptr;
        if (slot.compare_exchange_strong(free, snapshot)) {
            // The snapshot may have been replaced before the slot showed it: only one that is
            // still current after it was pinned is safe to read.
            for (const CatalogSnapshot* now = current_.load(); now != snapshot; now = current_.load()) {
                snapshot = now;
                slot.store(snapshot);
            }
            return Pin(slot, *snapshot);
        }
        if (attempt % kSlots == kSlots - 1)
            std::this_thread::yield();
    }
}

void CatalogSnapshots::Publish(std::unique_ptr<const CatalogSnapshot> next)
{
    std::lock_guard<std::mutex> lock(publishing_);
    std::shared_ptr<const CatalogSnapshot> replaced = std::exchange(owner_, std::move(next));
    current_.store(owner_.get());
    for (auto& slot : slots_) {
        while (slot.load() == replaced.get())
            std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
}
