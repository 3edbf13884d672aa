#include "service_store.h"

#include "catalog_text.h"
#include "database_address.h"
#include "open_sql_connection.h"
#include "sample_catalog.h"
#include "schema_layouts.h"
#include "version_number.h"

#include <map>
#include <tuple>
#include <unordered_map>

namespace {

// Rows per INSERT statement: well below both databases' limits on parameters.
constexpr size_t kRowsPerStatement = 500;

// "($1, $2), ($3, $4)" for two rows of two columns, or "(?, ?), (?, ?)".
std::string Placeholders(size_t rows, size_t columns, bool numbered)
{
    std::string text;
    size_t number = 0;
    for (size_t row = 0; row < rows; ++row) {
        text += row ? ", (" : "(";
        for (size_t column = 0; column < columns; ++column) {
            text += column ? ", " : "";
            text += numbered ? "$" + std::to_string(++number) : "?";
        }
        text += ")";
    }
    return text;
}

// Runs insertFront + placeholders + insertBack for the rows, kRowsPerStatement at a time;
// fill appends the parameters of one row.
template <typename Row, typename Fill, typename Run>
bool InsertInBatches(const std::vector<Row>& rows, size_t columns, bool numbered, const std::string& insertFront,
                     const std::string& insertBack, Fill fill, Run run)
{
    for (size_t first = 0; first < rows.size(); first += kRowsPerStatement) {
        size_t count = std::min(kRowsPerStatement, rows.size() - first);
        std::vector<std::string> parameters;
        parameters.reserve(count * columns);
        for (size_t i = first; i < first + count; ++i)
            fill(rows[i], parameters);
        if (!run(insertFront + Placeholders(count, columns, numbered) + insertBack, parameters))
            return false;
    }
    return true;
}

long long NumberOf(const std::vector<SqlRow>& rows)
{
    if (rows.empty() || rows[0].empty())
        return -1;
    try {
        return std::stoll(rows[0][0]);
    } catch (const std::exception&) {
        return -1;
    }
}

}  // namespace

std::unique_ptr<ServiceStore> ServiceStore::Open(const std::string& location, std::string& error)
{
    std::unique_ptr<SqlConnection> connection = OpenSqlConnection(location, error);
    if (!connection)
        return nullptr;
    std::unique_ptr<ServiceStore> store(new ServiceStore(std::move(connection)));
    if (!store->SetUp(error)) {
        error = "cannot set up the database" + (IsPostgresAddress(location) ? std::string() : " " + location) + ": " +
                error;
        return nullptr;
    }
    return store;
}

bool ServiceStore::Run(const std::string& sql, const std::vector<std::string>& parameters, std::string& error,
                       std::vector<SqlRow>* rows)
{
    return sql_->Execute(sql, parameters, rows, error);
}

template <typename Work>
bool ServiceStore::InTransaction(const char* begin, std::string& error, Work work)
{
    if (!Run(begin, {}, error))
        return false;
    if (work() && Run("COMMIT", {}, error))
        return true;
    std::string ignored;
    Run("ROLLBACK", {}, ignored);
    return false;
}

bool ServiceStore::Layout(int& layout, std::string& error)
{
    const SqlDialect& dialect = sql_->Dialect();
    std::vector<SqlRow> tables, version;
    if (!Run(dialect.tableExists, {"schema_version"}, error, &tables))
        return false;
    if (NumberOf(tables) > 0) {
        if (!Run("SELECT version FROM schema_version", {}, error, &version))
            return false;
        layout = static_cast<int>(NumberOf(version));
        return true;
    }
    tables.clear();
    if (!Run(dialect.tableExists, {"catalog"}, error, &tables))
        return false;
    layout = NumberOf(tables) > 0 ? 1 : 0;
    return true;
}

bool ServiceStore::SetUp(std::string& error)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const SqlDialect& dialect = sql_->Dialect();
    return InTransaction(dialect.beginWrite, error, [&] {
        int layout = 0;
        if ((*dialect.serializeSetUp && !Run(dialect.serializeSetUp, {}, error)) || !Layout(layout, error))
            return false;
        if (layout < 0 || layout > NewestLayout()) {
            error = "the database has layout " + std::to_string(layout) + ", newer than this program knows (" +
                    std::to_string(NewestLayout()) + "): a newer version of the service made it";
            return false;
        }
        for (const SchemaStep& step : SchemaSteps()) {
            if (step.layout <= layout)
                continue;
            for (const std::string& statement : step.statements(dialect)) {
                if (!Run(statement, {}, error)) {
                    error = "upgrading to layout " + std::to_string(step.layout) + " (" + step.what + "): " + error;
                    return false;
                }
            }
        }
        if (layout < NewestLayout() &&
            !Run("UPDATE schema_version SET version = $1", {std::to_string(NewestLayout())}, error))
            return false;
        return layout > 0 || Upsert(ReadCatalogText(SampleCatalogText()).entries, error);
    });
}

bool ServiceStore::Upsert(const std::vector<CatalogEntry>& entries, std::string& error)
{
    // One statement may not name an identity and code twice: only the last of its entries is kept.
    std::unordered_map<std::string, size_t> lastOf;
    auto key = [](const CatalogEntry& entry) { return entry.identity + '\n' + entry.osCode; };
    for (size_t i = 0; i < entries.size(); ++i)
        lastOf[key(entries[i])] = i;
    std::vector<CatalogRow> rows;
    rows.reserve(lastOf.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        if (lastOf[key(entries[i])] != i)
            continue;
        std::string hash = CatalogIdentityHash(entries[i].identity);
        if (hash.empty()) {
            error = "the identity " + entries[i].identity + " has no Windows-1252 form";
            return false;
        }
        rows.push_back({std::move(hash), entries[i]});
    }
    return InsertInBatches(
        rows, 7, sql_->Dialect().numberedParameters,
        "INSERT INTO catalog_entries (identity, os_code, hash, name, version, download, driver_date) VALUES ",
        " ON CONFLICT (identity, os_code) DO UPDATE SET hash = excluded.hash, name = excluded.name, "
        "version = excluded.version, download = excluded.download, driver_date = excluded.driver_date",
        [](const CatalogRow& row, std::vector<std::string>& parameters) {
            const CatalogEntry& entry = row.entry;
            parameters.insert(parameters.end(), {entry.identity, entry.osCode, row.hashDecimal, entry.name,
                                                 entry.version, entry.download, entry.date});
        },
        [&](const std::string& sql, const std::vector<std::string>& parameters) {
            return Run(sql, parameters, error);
        });
}

bool ServiceStore::Import(const std::vector<CatalogEntry>& entries, std::string& error)
{
    std::lock_guard<std::mutex> lock(mutex_);
    return InTransaction(sql_->Dialect().beginWrite, error, [&] {
        return Upsert(entries, error) && Run("UPDATE catalog_state SET version = version + 1", {}, error);
    });
}

bool ServiceStore::ImportNewer(const std::vector<CatalogEntry>& entries, CatalogChanges& changes, std::string& error)
{
    std::lock_guard<std::mutex> lock(mutex_);
    changes = CatalogChanges();
    const SqlDialect& dialect = sql_->Dialect();
    return InTransaction(dialect.beginWrite, error, [&] {
        // Two such imports at once take turns, so that neither replaces what the other kept.
        std::vector<SqlRow> rows;
        if ((*dialect.serializeSetUp && !Run(dialect.serializeSetUp, {}, error)) ||
            !Run("SELECT identity, os_code, name, version, download, driver_date FROM catalog_entries", {}, error,
                 &rows))
            return false;
        std::map<std::pair<std::string, std::string>, CatalogEntry> known;
        for (SqlRow& row : rows) {
            if (row.size() == 6)
                known[{row[0], row[1]}] = {row[0], row[2], row[3], row[4], row[1], row[5]};
        }
        auto rank = [](const CatalogEntry& entry) {
            return std::make_tuple(ReadVersionNumbers(entry.version).value_or(VersionNumbers()), entry.date);
        };
        std::vector<CatalogEntry> changed;
        for (const CatalogEntry& entry : entries) {
            auto existing = known.find({entry.identity, entry.osCode});
            if (existing == known.end()) {
                ++changes.added;
            } else if (rank(entry) < rank(existing->second)) {
                ++changes.keptNewer;
                continue;
            } else if (std::tie(entry.name, entry.version, entry.download, entry.date) ==
                       std::tie(existing->second.name, existing->second.version, existing->second.download,
                                existing->second.date)) {
                ++changes.unchanged;
                continue;
            } else {
                ++changes.replaced;
            }
            changed.push_back(entry);
        }
        return changed.empty() ||
               (Upsert(changed, error) && Run("UPDATE catalog_state SET version = version + 1", {}, error));
    });
}

bool ServiceStore::CatalogVersion(long long& version, std::string& error)
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<SqlRow> rows;
    if (!Run("SELECT version FROM catalog_state", {}, error, &rows))
        return false;
    version = NumberOf(rows);
    return true;
}

bool ServiceStore::LoadCatalog(std::vector<CatalogRow>& rows, long long& version, std::string& error)
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<SqlRow> state, entries;
    bool read = InTransaction(sql_->Dialect().beginRead, error, [&] {
        return Run("SELECT version FROM catalog_state", {}, error, &state) &&
               Run("SELECT hash, identity, name, version, download, os_code, driver_date FROM catalog_entries", {},
                   error, &entries);
    });
    if (!read)
        return false;
    version = NumberOf(state);
    rows.clear();
    rows.reserve(entries.size());
    for (SqlRow& entry : entries) {
        if (entry.size() == 7)
            rows.push_back({std::move(entry[0]),
                            {std::move(entry[1]), std::move(entry[2]), std::move(entry[3]), std::move(entry[4]),
                             std::move(entry[5]), std::move(entry[6])}});
    }
    return true;
}

bool ServiceStore::InsertScans(const std::vector<ScanRecord>& records, std::string& error)
{
    return InsertInBatches(
        records, 6, sql_->Dialect().numberedParameters,
        "INSERT INTO scans (scan_guid, received_utc, os_code, page, items, offers) VALUES ", "",
        [](const ScanRecord& record, std::vector<std::string>& parameters) {
            parameters.insert(parameters.end(), {record.scanGuid, record.receivedUtc, record.osVersionCode, record.page,
                                                 std::to_string(record.itemCount), std::to_string(record.offerCount)});
        },
        [&](const std::string& sql, const std::vector<std::string>& parameters) {
            return Run(sql, parameters, error);
        });
}

// Each record behind a savepoint of its own: a record whose values the database refuses is
// rolled back alone, and any other failure ends the transaction.
bool ServiceStore::InsertScansOneByOne(const std::vector<ScanRecord>& records, std::vector<RefusedRecord>& refused,
                                       std::string& error)
{
    for (size_t i = 0; i < records.size(); ++i) {
        if (!Run("SAVEPOINT scan_record", {}, error))
            return false;
        std::string refusal;
        if (!InsertScans({records[i]}, refusal)) {
            if (!sql_->RefusedValues()) {
                error = refusal;
                return false;
            }
            refused.push_back({i, refusal});
            if (!Run("ROLLBACK TO SAVEPOINT scan_record", {}, error))
                return false;
        }
        if (!Run("RELEASE SAVEPOINT scan_record", {}, error))
            return false;
    }
    return true;
}

bool ServiceStore::RecordScans(const std::vector<ScanRecord>& records, std::vector<RefusedRecord>& refused,
                               std::string& error)
{
    std::lock_guard<std::mutex> lock(mutex_);
    refused.clear();
    const char* begin = sql_->Dialect().beginWrite;
    if (InTransaction(begin, error, [&] { return InsertScans(records, error); }))
        return true;
    if (!sql_->RefusedValues())
        return false;
    if (InTransaction(begin, error, [&] { return InsertScansOneByOne(records, refused, error); }))
        return true;
    refused.clear();
    return false;
}

bool ServiceStore::DeleteScansBefore(const std::string& utc, std::string& error)
{
    std::lock_guard<std::mutex> lock(mutex_);
    return Run("DELETE FROM scans WHERE received_utc < $1", {utc}, error);
}

bool ServiceStore::LatestScans(size_t limit, std::vector<ScanRecord>& records, std::string& error)
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<SqlRow> rows;
    if (!Run("SELECT scan_guid, received_utc, os_code, page, items, offers FROM scans ORDER BY id DESC LIMIT $1",
             {std::to_string(limit)}, error, &rows))
        return false;
    records.clear();
    for (const SqlRow& row : rows) {
        if (row.size() == 6)
            records.push_back({row[0], row[1], row[2], row[3], std::stoul(row[4]), std::stoul(row[5])});
    }
    return true;
}

long long ServiceStore::Count(const char* sql)
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<SqlRow> rows;
    std::string error;
    return Run(sql, {}, error, &rows) ? NumberOf(rows) : -1;
}

long long ServiceStore::EntryCount()
{
    return Count("SELECT COUNT(*) FROM catalog_entries");
}

long long ServiceStore::ScanCount()
{
    return Count("SELECT COUNT(*) FROM scans");
}
