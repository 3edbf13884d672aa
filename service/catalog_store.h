#pragma once
// The SQLite catalog file: entries keyed by identity with their HWIDHASH, and a record of the
// scans received. Safe to use from several request threads.
#include "catalog_entry.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

struct ScanRecord {
    std::string scanGuid;
    std::string osVersionCode;
    std::string page;  // "desktop" or "count"
    size_t itemCount = 0;
    size_t offerCount = 0;
};

class CatalogStore {
public:
    // Opens or creates the file; a new file is filled with the sample catalog. nullptr and a
    // message in error when the file cannot be used.
    static std::unique_ptr<CatalogStore> Open(const std::string& path, std::string& error);
    ~CatalogStore();
    CatalogStore(const CatalogStore&) = delete;
    CatalogStore& operator=(const CatalogStore&) = delete;

    // Adds the entries, replacing those with the same identity; all or nothing.
    bool Import(const std::vector<CatalogEntry>& entries, std::string& error);
    std::optional<CatalogEntry> FindByHash(const std::string& hashDecimal);
    bool RecordScan(const ScanRecord& record);
    long long EntryCount();
    long long ScanCount();

private:
    explicit CatalogStore(sqlite3* db) : db_(db) {}
    bool Execute(const char* sql, std::string& error);
    long long CountRows(const char* sql);

    sqlite3* db_;
    std::mutex mutex_;
};
