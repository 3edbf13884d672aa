#include "catalog_store.h"

#include "catalog_text.h"
#include "sample_catalog.h"

#include <sqlite3.h>

#include <ctime>

namespace {

// A prepared statement that finalizes itself.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool Ready() const { return stmt_ != nullptr; }
    void Bind(int index, const std::string& text)
    {
        sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    }
    void Bind(int index, long long value) { sqlite3_bind_int64(stmt_, index, value); }
    void Reset() { sqlite3_reset(stmt_); }
    int Step() { return sqlite3_step(stmt_); }
    std::string Text(int column) const
    {
        const unsigned char* text = sqlite3_column_text(stmt_, column);
        return text ? std::string(reinterpret_cast<const char*>(text), sqlite3_column_bytes(stmt_, column))
                    : std::string();
    }
    long long Integer(int column) const { return sqlite3_column_int64(stmt_, column); }

private:
    sqlite3_stmt* stmt_ = nullptr;
};

constexpr const char* kSchema =
    "CREATE TABLE catalog ("
    "  identity TEXT PRIMARY KEY,"
    "  hash TEXT NOT NULL,"
    "  name TEXT NOT NULL,"
    "  version TEXT NOT NULL,"
    "  download TEXT NOT NULL);"
    "CREATE INDEX catalog_hash ON catalog(hash);"
    "CREATE TABLE scans ("
    "  id INTEGER PRIMARY KEY,"
    "  scan_guid TEXT NOT NULL,"
    "  received_utc TEXT NOT NULL,"
    "  os_code TEXT NOT NULL,"
    "  page TEXT NOT NULL,"
    "  items INTEGER NOT NULL,"
    "  offers INTEGER NOT NULL);"
    "PRAGMA user_version = 1;";

std::string UtcNow()
{
    std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    char text[32];
    size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return std::string(text, length);
}

}  // namespace

std::unique_ptr<CatalogStore> CatalogStore::Open(const std::string& path, std::string& error)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK) {
        error = "cannot open catalog " + path + ": " + (db ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close(db);
        return nullptr;
    }
    std::unique_ptr<CatalogStore> store(new CatalogStore(db));
    sqlite3_busy_timeout(db, 5000);
    long long schemaVersion = store->CountRows("PRAGMA user_version");
    if (schemaVersion < 0) {
        error = "cannot read catalog " + path + ": " + sqlite3_errmsg(db);
        return nullptr;
    }
    if (schemaVersion == 0) {
        CatalogText sample = ReadCatalogText(SampleCatalogText());
        if (!store->Execute("BEGIN IMMEDIATE", error) || !store->Execute(kSchema, error) ||
            !store->Execute("COMMIT", error) || !store->Import(sample.entries, error)) {
            error = "cannot set up catalog " + path + ": " + error;
            return nullptr;
        }
    }
    return store;
}

CatalogStore::~CatalogStore()
{
    sqlite3_close(db_);
}

bool CatalogStore::Execute(const char* sql, std::string& error)
{
    char* message = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    error = message ? message : sqlite3_errmsg(db_);
    sqlite3_free(message);
    return false;
}

long long CatalogStore::CountRows(const char* sql)
{
    std::lock_guard<std::mutex> lock(mutex_);
    Statement query(db_, sql);
    return query.Ready() && query.Step() == SQLITE_ROW ? query.Integer(0) : -1;
}

bool CatalogStore::Import(const std::vector<CatalogEntry>& entries, std::string& error)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!Execute("BEGIN IMMEDIATE", error))
        return false;
    bool stored = true;
    {
        Statement insert(db_,
                         "INSERT INTO catalog (identity, hash, name, version, download) VALUES (?1, ?2, ?3, ?4, ?5) "
                         "ON CONFLICT(identity) DO UPDATE SET hash = ?2, name = ?3, version = ?4, download = ?5");
        stored = insert.Ready();
        for (size_t i = 0; stored && i < entries.size(); ++i) {
            const CatalogEntry& entry = entries[i];
            insert.Reset();
            insert.Bind(1, entry.identity);
            insert.Bind(2, CatalogIdentityHash(entry.identity));
            insert.Bind(3, entry.name);
            insert.Bind(4, entry.version);
            insert.Bind(5, entry.download);
            stored = insert.Step() == SQLITE_DONE;
        }
        if (!stored)
            error = sqlite3_errmsg(db_);
    }
    if (stored)
        return Execute("COMMIT", error);
    std::string ignored;
    Execute("ROLLBACK", ignored);
    return false;
}

std::optional<CatalogEntry> CatalogStore::FindByHash(const std::string& hashDecimal)
{
    std::lock_guard<std::mutex> lock(mutex_);
    Statement query(db_,
                    "SELECT identity, name, version, download FROM catalog WHERE hash = ?1 ORDER BY identity LIMIT 1");
    if (!query.Ready())
        return std::nullopt;
    query.Bind(1, hashDecimal);
    if (query.Step() != SQLITE_ROW)
        return std::nullopt;
    return CatalogEntry{query.Text(0), query.Text(1), query.Text(2), query.Text(3)};
}

bool CatalogStore::RecordScan(const ScanRecord& record)
{
    std::lock_guard<std::mutex> lock(mutex_);
    Statement insert(
        db_,
        "INSERT INTO scans (scan_guid, received_utc, os_code, page, items, offers) VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    if (!insert.Ready())
        return false;
    insert.Bind(1, record.scanGuid);
    insert.Bind(2, UtcNow());
    insert.Bind(3, record.osVersionCode);
    insert.Bind(4, record.page);
    insert.Bind(5, static_cast<long long>(record.itemCount));
    insert.Bind(6, static_cast<long long>(record.offerCount));
    return insert.Step() == SQLITE_DONE;
}

long long CatalogStore::EntryCount()
{
    return CountRows("SELECT COUNT(*) FROM catalog");
}
long long CatalogStore::ScanCount()
{
    return CountRows("SELECT COUNT(*) FROM scans");
}
