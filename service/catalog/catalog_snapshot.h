#pragma once
// The catalog as the service answers from it: an immutable copy in memory, indexed by the
// HWIDHASH under which documents name each identity. The index is one flat table of hash
// values with open addressing: a lookup of an unknown identity, half of a typical document,
// touches one place in memory, and a known one finds the entries of its identity side by side.
// An identity may have several entries, each for documents of one OS code or for every Windows
// (the one for every Windows first).
#include "catalog_entry.h"
#include "scan_reader.h"
#include "version_number.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A catalog entry with the HWIDHASH decimal of its identity.
struct CatalogRow {
    std::string hashDecimal;
    CatalogEntry entry;
};

// The rows of entries, their hashes computed; entries whose identity has no hash are left out.
std::vector<CatalogRow> HashedRows(const std::vector<CatalogEntry>& entries);

// An entry as the snapshot holds it, with what matching needs read beforehand. What a count needs
// of it, the available version, stands at its start, in one cache line.
struct alignas(64) KnownEntry {
    explicit KnownEntry(CatalogEntry catalogEntry);

    AvailableVersion available;  // entry.version as numbers
    CatalogEntry entry;
    std::string ansiIdentity;  // the identity's bytes as the engine hashed and cut them
    // The lengths of the identity's forms (itself and its cuts, which are its beginnings).
    std::vector<size_t> formLengths;

    // Whether identity is one of this identity's forms, this identity itself included.
    bool HasForm(const KnownEntry& identity) const;
};

// The entries known under one HWIDHASH, side by side; empty when there are none.
class IdentityEntries {
public:
    IdentityEntries() = default;
    IdentityEntries(const KnownEntry* first, uint32_t count) : first_(first), count_(count) {}
    bool Empty() const { return count_ == 0; }
    const KnownEntry* begin() const { return first_; }
    const KnownEntry* end() const { return first_ + count_; }

private:
    const KnownEntry* first_ = nullptr;
    uint32_t count_ = 0;
};

// Shared: what reads it pins it (catalog_snapshots.h), and scan records that name its entries
// hold it until they are written.
class CatalogSnapshot : public std::enable_shared_from_this<CatalogSnapshot> {
public:
    // When identities share a hash, the first in byte order of the identity is found. Rows whose
    // hash is not a 64-bit decimal are left out, and so are repeated identity and code pairs.
    CatalogSnapshot(std::vector<CatalogRow> rows, long long version);

    IdentityEntries Find(int64_t hash) const;
    // The entry known under a hash for a document of an OS code: the identity's entry for that
    // code, else its entry for every Windows; nullptr when there is neither (entries made for
    // other codes do not exist for the document).
    const KnownEntry* FindFor(int64_t hash, std::string_view osCode) const;
    // FindFor for every item, into known (one element per item). The table's places are asked
    // for ahead of their use: random reads in a large table wait for memory one by one, reads
    // asked for together overlap.
    void FindAll(const std::vector<ScanEntry>& items, std::string_view osCode,
                 std::vector<const KnownEntry*>& known) const;
    size_t EntryCount() const { return entries_.size(); }
    // The index of an entry of this snapshot, below EntryCount().
    size_t IndexOf(const KnownEntry& entry) const { return static_cast<size_t>(&entry - entries_.data()); }
    // The entries in the order of their identity and OS code (byte order), each pair once.
    const KnownEntry& EntryAt(size_t index) const { return entries_[index]; }
    // The database's catalog version this copy was taken at.
    long long Version() const { return version_; }

private:
    struct Slot {
        int64_t hash = 0;
        uint32_t first = 0;  // index into entries_
        uint32_t count = 0;  // 0 for an empty slot
    };

    const Slot& SlotOf(int64_t hash) const;

    std::vector<KnownEntry> entries_;
    std::vector<Slot> slots_;  // a power of two, at most half full
    long long version_ = 0;
};
