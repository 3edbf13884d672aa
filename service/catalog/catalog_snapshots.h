#pragma once
// The current catalog snapshot, replaced whole when the catalog changes. Readers take no lock:
// a reader pins the snapshot it reads in a slot of its own (a hazard pointer), and a publisher
// lets go of a replaced snapshot only when no slot holds it any more; it is deleted then, or
// once the last scan record that holds it (Pin::Hold) is written.
#include "catalog_snapshot.h"

#include <array>
#include <atomic>
#include <memory>
#include <mutex>

class CatalogSnapshots {
public:
    explicit CatalogSnapshots(std::unique_ptr<const CatalogSnapshot> first);
    ~CatalogSnapshots();
    CatalogSnapshots(const CatalogSnapshots&) = delete;
    CatalogSnapshots& operator=(const CatalogSnapshots&) = delete;

    // A snapshot held for reading; it stays valid while the pin lives. Keep pins short: a
    // publisher waits for them.
    class Pin {
    public:
        Pin(std::atomic<const CatalogSnapshot*>& slot, const CatalogSnapshot& snapshot)
            : slot_(&slot), snapshot_(&snapshot)
        {
        }
        ~Pin();
        Pin(Pin&& other) noexcept : slot_(other.slot_), snapshot_(other.snapshot_) { other.slot_ = nullptr; }
        Pin(const Pin&) = delete;
        Pin& operator=(const Pin&) = delete;
        Pin& operator=(Pin&&) = delete;

        const CatalogSnapshot& operator*() const { return *snapshot_; }
        const CatalogSnapshot* operator->() const { return snapshot_; }
        // A share of the snapshot that outlives the pin: an atomic count, no lock.
        std::shared_ptr<const CatalogSnapshot> Hold() const { return snapshot_->shared_from_this(); }

    private:
        std::atomic<const CatalogSnapshot*>* slot_;
        const CatalogSnapshot* snapshot_;
    };

    Pin Read() const;
    // Makes next the current snapshot; returns when no reader pins the one it replaced.
    void Publish(std::unique_ptr<const CatalogSnapshot> next);

private:
    // More slots than readers at a time (the server's loops); a reader that finds none free waits.
    static constexpr size_t kSlots = 256;
    std::shared_ptr<const CatalogSnapshot> owner_;  // of the current snapshot; under publishing_
    std::atomic<const CatalogSnapshot*> current_;
    mutable std::array<std::atomic<const CatalogSnapshot*>, kSlots> slots_;  // nullptr: free
    std::mutex publishing_;                                                  // one publisher at a time
};
