#pragma once
// The service's database, SQLite or PostgreSQL: the catalog with a version that every change
// raises (so that instances sharing the database notice it), the record of received scans and
// its daily roll-ups. Safe to use from several threads; each call is one transaction.
#include "catalog_snapshot.h"
#include "scan_totals.h"
#include "sql_connection.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct ScanRecord {
    std::string scanGuid;
    std::string receivedUtc;  // "YYYY-MM-DDTHH:MM:SSZ"
    std::string osVersionCode;
    std::string page;  // "desktop" or "count"
    size_t itemCount = 0;
    size_t offerCount = 0;
    // The entries offered, by their index in the snapshot they were found in, which the record
    // holds: the request hands them over as they are, and the writer counts them. Empty ({}) in
    // records that name no offers.
    std::shared_ptr<const CatalogSnapshot> catalog{};
    std::vector<uint32_t> offeredEntries{};
};

// What an import that keeps newer entries did, entry by entry.
struct CatalogChanges {
    size_t added = 0;      // no entry for the identity and code before
    size_t replaced = 0;   // an entry of a lower (or the same) version was replaced
    size_t unchanged = 0;  // the same entry was there
    size_t keptNewer = 0;  // the catalog's entry has a higher version (or the same one and a newer date)
};

// A scan record that the database refused for its values, with the database's message.
struct RefusedRecord {
    size_t index;  // in the records given
    std::string error;
};

class ServiceStore {
public:
    // location: an SQLite file, or a "postgresql://" address. A new database gets the tables
    // and the sample catalog; one of an earlier layout is upgraded (schema_layouts.h). nullptr
    // and a message when it cannot be used.
    static std::unique_ptr<ServiceStore> Open(const std::string& location, std::string& error);

    // Adds the entries, replacing those with the same identity and OS code (the last of several
    // in the list wins), and raises the catalog version; all or nothing.
    bool Import(const std::vector<CatalogEntry>& entries, std::string& error);
    // The same, but an entry replaces none of a higher version (or of the same version and a
    // newer date), and an entry the catalog holds already changes nothing; the catalog version is
    // raised only when an entry changed. The entries must name each identity and code once.
    bool ImportNewer(const std::vector<CatalogEntry>& entries, CatalogChanges& changes, std::string& error);
    bool CatalogVersion(long long& version, std::string& error);
    // The whole catalog and the version it has.
    bool LoadCatalog(std::vector<CatalogRow>& rows, long long& version, std::string& error);

    // Writes the records and adds them to the daily roll-ups, in one transaction. When the
    // database refuses the values of some of them, the others are written all the same and
    // refused names the ones left out; false only when the database fails otherwise (nothing is
    // written then).
    bool RecordScans(const std::vector<ScanRecord>& records, std::vector<RefusedRecord>& refused, std::string& error);
    // Deletes the records received before the UTC time ("YYYY-MM-DDTHH:MM:SSZ"), and the
    // roll-ups of the days before its day.
    bool DeleteScansBefore(const std::string& utc, std::string& error);
    // The roll-ups of every day kept and the mostOffered entries offered most often.
    bool ReadStatistics(size_t mostOffered, ScanStatistics& statistics, std::string& error);
    // The newest records first.
    bool LatestScans(size_t limit, std::vector<ScanRecord>& records, std::string& error);

    long long EntryCount();  // -1 when the database cannot be read
    long long ScanCount();

private:
    explicit ServiceStore(std::unique_ptr<SqlConnection> connection) : sql_(std::move(connection)) {}
    bool SetUp(std::string& error);
    // The database's layout: schema_version's, else 1 with a catalog table, else 0.
    bool Layout(int& layout, std::string& error);
    bool Run(const std::string& sql, const std::vector<std::string>& parameters, std::string& error,
             std::vector<SqlRow>* rows = nullptr);
    // Runs front + placeholders + back for the rows, in statements of a bounded size; fill
    // appends the parameters of one row.
    template <typename Row, typename Fill>
    bool InsertRows(const std::vector<Row>& rows, size_t columns, const std::string& front, const std::string& back,
                    Fill fill, std::string& error);
    // Runs work inside a transaction that begin opens; commits when it succeeds.
    template <typename Work>
    bool InTransaction(const char* begin, std::string& error, Work work);
    bool Upsert(const std::vector<CatalogEntry>& entries, std::string& error);
    bool InsertScans(const std::vector<ScanRecord>& records, std::string& error);
    // InsertScans, and what they add to the roll-ups (each counts its rows onto the existing ones).
    bool WriteScans(const std::vector<ScanRecord>& records, std::string& error);
    bool AddDayTotals(const std::vector<DayTotal>& rows, std::string& error);
    bool AddOffersPerDay(const std::vector<DayOffers>& rows, std::string& error);
    bool AddOffersPerEntry(const std::vector<EntryOffers>& rows, std::string& error);
    bool InsertScansOneByOne(const std::vector<ScanRecord>& records, std::vector<RefusedRecord>& refused,
                             std::string& error);
    long long Count(const char* sql);

    std::unique_ptr<SqlConnection> sql_;
    std::mutex mutex_;
};
