#include "service_store.h"

#include "catalog_text.h"
#include "database_address.h"
#include "open_sql_connection.h"
#include "sample_catalog.h"
#include "scan_tally.h"
#include "schema_layouts.h"
#include "version_number.h"

#include <charconv>
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

// A number the database wrote as text, or otherwise when it is none.
long long Number(const std::string& text, long long otherwise)
{
    long long number = 0;
    const char* end = text.data() + text.size();
    auto [stop, fault] = std::from_chars(text.data(), end, number);
    return fault == std::errc() && stop == end && !text.empty() ? number : otherwise;
}

long long NumberOf(const std::vector<SqlRow>& rows)
{
    return rows.empty() || rows[0].empty() ? -1 : Number(rows[0][0], -1);
}

void AddEntryOffers(const EntryOffers& row, std::vector<std::string>& parameters)
{
    parameters.insert(parameters.end(), {row.identity, row.osCode, std::to_string(row.offers)});
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

template <typename Row, typename Fill>
bool ServiceStore::InsertRows(const std::vector<Row>& rows, size_t columns, const std::string& front,
                              const std::string& back, Fill fill, std::string& error)
{
    for (size_t first = 0; first < rows.size(); first += kRowsPerStatement) {
        size_t count = std::min(kRowsPerStatement, rows.size() - first);
        std::vector<std::string> parameters;
        parameters.reserve(count * columns);
        for (size_t i = first; i < first + count; ++i)
            fill(rows[i], parameters);
        if (!Run(front + Placeholders(count, columns, sql_->Dialect().numberedParameters) + back, parameters, error))
            return false;
    }
    return true;
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
    return InsertRows(
        rows, 7, "INSERT INTO catalog_entries (identity, os_code, hash, name, version, download, driver_date) VALUES ",
        " ON CONFLICT (identity, os_code) DO UPDATE SET hash = excluded.hash, name = excluded.name, "
        "version = excluded.version, download = excluded.download, driver_date = excluded.driver_date",
        [](const CatalogRow& row, std::vector<std::string>& parameters) {
            const CatalogEntry& entry = row.entry;
            parameters.insert(parameters.end(), {entry.identity, entry.osCode, row.hashDecimal, entry.name,
                                                 entry.version, entry.download, entry.date});
        },
        error);
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
    return InsertRows(
        records, 6, "INSERT INTO scans (scan_guid, received_utc, os_code, page, items, offers) VALUES ", "",
        [](const ScanRecord& record, std::vector<std::string>& parameters) {
            parameters.insert(parameters.end(), {record.scanGuid, record.receivedUtc, record.osVersionCode, record.page,
                                                 std::to_string(record.itemCount), std::to_string(record.offerCount)});
        },
        error);
}

bool ServiceStore::AddOffersPerEntry(const std::vector<EntryOffers>& rows, std::string& error)
{
    return InsertRows(rows, 3, "INSERT INTO offer_totals (identity, os_code, offers) VALUES ",
                      " ON CONFLICT (identity, os_code) DO UPDATE SET offers = offer_totals.offers + excluded.offers",
                      AddEntryOffers, error);
}

bool ServiceStore::AddDayTotals(const std::vector<DayTotal>& rows, std::string& error)
{
    return InsertRows(
        rows, 5, "INSERT INTO scan_days (day, os_code, scans, items, offers) VALUES ",
        " ON CONFLICT (day, os_code) DO UPDATE SET scans = scan_days.scans + excluded.scans, "
        "items = scan_days.items + excluded.items, offers = scan_days.offers + excluded.offers",
        [](const DayTotal& row, std::vector<std::string>& parameters) {
            parameters.insert(parameters.end(), {row.day, row.osCode, std::to_string(row.scans),
                                                 std::to_string(row.items), std::to_string(row.offers)});
        },
        error);
}

bool ServiceStore::AddOffersPerDay(const std::vector<DayOffers>& rows, std::string& error)
{
    return InsertRows(
        rows, 4, "INSERT INTO offer_counts (day, identity, os_code, offers) VALUES ",
        " ON CONFLICT (day, identity, os_code) DO UPDATE SET offers = offer_counts.offers + "
        "excluded.offers",
        [](const DayOffers& row, std::vector<std::string>& parameters) {
            parameters.push_back(row.day);
            AddEntryOffers(row.entry, parameters);
        },
        error);
}

bool ServiceStore::WriteScans(const std::vector<ScanRecord>& records, std::string& error)
{
    const ScanTally tally = TallyScans(records);
    return InsertScans(records, error) && AddDayTotals(tally.days, error) &&
           AddOffersPerDay(tally.offersPerDay, error) && AddOffersPerEntry(tally.offersPerEntry, error);
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
        if (!WriteScans({records[i]}, refusal)) {
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
    if (InTransaction(begin, error, [&] { return WriteScans(records, error); }))
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
    const std::string day = utc.substr(0, 10);
    return InTransaction(sql_->Dialect().beginWrite, error, [&] {
        // The counts deleted come off the totals. Of instances that delete at once, each is
        // returned only the rows it deleted itself.
        std::vector<SqlRow> deleted;
        if (!Run("DELETE FROM offer_counts WHERE day < $1 RETURNING identity, os_code, offers", {day}, error, &deleted))
            return false;
        std::vector<EntryOffers> removed;
        for (SqlRow& row : deleted) {
            if (row.size() == 3)
                removed.push_back({std::move(row[0]), std::move(row[1]), -Number(row[2], 0)});
        }
        return (removed.empty() || (AddOffersPerEntry(SumPerEntry(std::move(removed)), error) &&
                                    Run("DELETE FROM offer_totals WHERE offers <= 0", {}, error))) &&
               Run("DELETE FROM scan_days WHERE day < $1", {day}, error) &&
               Run("DELETE FROM scans WHERE received_utc < $1", {utc}, error);
    });
}

bool ServiceStore::ReadStatistics(size_t mostOffered, ScanStatistics& statistics, std::string& error)
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<SqlRow> days, offered, since;
    const bool read = InTransaction(sql_->Dialect().beginRead, error, [&] {
        return Run("SELECT day, os_code, scans, items, offers FROM scan_days ORDER BY day, os_code", {}, error,
                   &days) &&
               Run("SELECT t.identity, t.os_code, t.offers, e.name FROM (SELECT identity, os_code, offers FROM "
                   "offer_totals WHERE offers > 0 ORDER BY offers DESC, identity, os_code LIMIT $1) t "
                   "LEFT JOIN catalog_entries e ON e.identity = t.identity AND e.os_code = t.os_code "
                   "ORDER BY t.offers DESC, t.identity, t.os_code",
                   {std::to_string(mostOffered)}, error, &offered) &&
               Run("SELECT MIN(day) FROM offer_counts", {}, error, &since);
    });
    if (!read)
        return false;
    statistics = ScanStatistics();
    for (SqlRow& row : days) {
        if (row.size() == 5)
            statistics.days.push_back(
                {std::move(row[0]), std::move(row[1]), Number(row[2], 0), Number(row[3], 0), Number(row[4], 0)});
    }
    for (SqlRow& row : offered) {
        if (row.size() == 4)
            statistics.mostOffered.emplace_back(EntryOffers{std::move(row[0]), std::move(row[1]), Number(row[2], 0)},
                                                std::move(row[3]));
    }
    statistics.offersCountedSince = since.empty() || since[0].empty() ? std::string() : since[0][0];
    return true;
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
