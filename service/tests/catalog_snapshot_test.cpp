// The catalog in memory: lookups by hash, and snapshots replaced while readers read them.
#include "catalog_snapshots.h"
#include "catalog_text.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

TEST(CatalogSnapshot, FindsEntriesByTheirHash)
{
    const CatalogSnapshot snapshot(
        HashedRows({{"SOFTWARE\\Acme Ltd\\Acme Viewer", "viewer", "2.0", "/v"}, {"PCI\\VEN_10DE", "nv", "1.0", "/n"}}),
        7);
    const KnownEntry* viewer =
        snapshot.FindFor(std::stoll(CatalogIdentityHash("SOFTWARE\\Acme Ltd\\Acme Viewer")), "4");
    ASSERT_TRUE(viewer);
    EXPECT_EQ(viewer->entry.name, "viewer");
    EXPECT_FALSE(snapshot.FindFor(std::stoll(CatalogIdentityHash("PCI\\VEN_10DF")), "4"));
    EXPECT_EQ(snapshot.EntryCount(), 2u);
    EXPECT_EQ(snapshot.Version(), 7);

    // Identities that share a hash: the first in byte order is found, whatever the load order.
    for (bool reversed : {false, true}) {
        std::vector<CatalogRow> rows = {{"42", {"b", "second", "1", "/b"}}, {"42", {"a", "first", "1", "/a"}}};
        if (reversed)
            std::swap(rows[0], rows[1]);
        const CatalogSnapshot shared(rows, 1);
        ASSERT_TRUE(shared.FindFor(42, "4"));
        EXPECT_EQ(shared.FindFor(42, "4")->entry.name, "first");
    }
}

// Readers look entries up without pause while a publisher replaces the snapshot again and
// again; a reader that saw a deleted snapshot shows up under AddressSanitizer, or as a version
// that goes back.
TEST(CatalogSnapshots, ReadersNeverSeeAReplacedSnapshotDisappear)
{
    auto snapshot = [](long long version) {
        return std::make_unique<const CatalogSnapshot>(
            std::vector<CatalogRow>{{"1", {"id", "entry " + std::to_string(version), "1.0", "/x"}}}, version);
    };
    CatalogSnapshots snapshots(snapshot(0));
    std::atomic<bool> done{false};
    std::atomic<long> reads{0};
    std::vector<std::thread> readers;
    readers.reserve(4);
    for (int i = 0; i < 4; ++i) {
        readers.emplace_back([&] {
            long long last = 0;
            while (!done) {
                CatalogSnapshots::Pin pin = snapshots.Read();
                const KnownEntry* entry = pin->FindFor(1, "4");
                EXPECT_TRUE(entry && entry->entry.name == "entry " + std::to_string(pin->Version()));
                EXPECT_GE(pin->Version(), last);
                last = pin->Version();
                ++reads;
            }
        });
    }
    // The readers are under way before the first replacement, however slowly threads start.
    while (reads.load() < 4)
        std::this_thread::yield();
    for (long long version = 1; version <= 300; ++version)
        snapshots.Publish(snapshot(version));
    done = true;
    for (std::thread& reader : readers)
        reader.join();
    EXPECT_EQ(snapshots.Read()->Version(), 300);
    EXPECT_GT(reads.load(), 0);
}

}  // namespace
