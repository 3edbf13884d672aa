#include "schema_layouts.h"

namespace {

constexpr const char* kFirstCatalog =
    "CREATE TABLE IF NOT EXISTS catalog (identity TEXT PRIMARY KEY, hash TEXT NOT NULL, name TEXT NOT NULL, "
    "version TEXT NOT NULL, download TEXT NOT NULL)";
constexpr const char* kCatalogEntries =
    "CREATE TABLE catalog_entries (identity TEXT NOT NULL, os_code TEXT NOT NULL, hash TEXT NOT NULL, "
    "name TEXT NOT NULL, version TEXT NOT NULL, download TEXT NOT NULL, driver_date TEXT NOT NULL, "
    "PRIMARY KEY (identity, os_code))";
constexpr const char* kCopyCatalog =
    "INSERT INTO catalog_entries (identity, os_code, hash, name, version, download, driver_date) "
    "SELECT identity, '', hash, name, version, download, '' FROM catalog";
constexpr const char* kCatalogView =
    "CREATE VIEW catalog AS SELECT identity, hash, name, version, download FROM catalog_entries WHERE os_code = ''";

// Layout 1: the catalog (one entry per identity), its version and the scan records.
std::vector<std::string> CatalogAndScans(const SqlDialect& dialect)
{
    return {
        kFirstCatalog,
        "CREATE INDEX IF NOT EXISTS catalog_hash ON catalog(hash)",
        std::string("CREATE TABLE IF NOT EXISTS scans (id ") + dialect.serialKey +
            ", scan_guid TEXT NOT NULL, received_utc " + dialect.timeColumn +
            " NOT NULL, os_code TEXT NOT NULL, page TEXT NOT NULL, items INTEGER NOT NULL, offers INTEGER NOT NULL)",
        "CREATE INDEX IF NOT EXISTS scans_received ON scans(received_utc)",
        // One row: raised by every import, read by every instance to notice a new catalog.
        "CREATE TABLE IF NOT EXISTS catalog_state (version BIGINT NOT NULL)",
        "INSERT INTO catalog_state (version) SELECT 1 WHERE NOT EXISTS (SELECT 1 FROM catalog_state)",
    };
}

// Layout 2: catalog entries per identity and OS code ("" for every Windows), with a driver's
// date; the database records its layout. The table "catalog" becomes a view of the entries for
// every Windows, with the earlier columns: instances of the earlier version that still run read
// it and keep answering (without the entries per OS code); their imports into it fail and change
// nothing, and such an instance no longer starts (it cannot index the view).
std::vector<std::string> EntriesPerOsCode(const SqlDialect&)
{
    return {
        kCatalogEntries,
        kCopyCatalog,
        "DROP TABLE catalog",
        kCatalogView,
        "CREATE TABLE schema_version (version INTEGER NOT NULL)",
        "INSERT INTO schema_version (version) VALUES (2)",
        "UPDATE catalog_state SET version = version + 1",
    };
}

// Layout 3: daily roll-ups of the scan records for the statistics page, written with the records
// and deleted with them: scans, items and offers per UTC day and OS code (from the records kept),
// offers per catalog entry and day, and per entry over the days kept (both from now on: earlier
// records do not name their offers). Instances of the earlier version that still run go on
// recording scans, which the roll-ups then miss.
std::vector<std::string> DailyRollUps(const SqlDialect& dialect)
{
    return {
        "CREATE TABLE scan_days (day TEXT NOT NULL, os_code TEXT NOT NULL, scans BIGINT NOT NULL, "
        "items BIGINT NOT NULL, offers BIGINT NOT NULL, PRIMARY KEY (day, os_code))",
        std::string("INSERT INTO scan_days (day, os_code, scans, items, offers) SELECT ") + dialect.receivedDay +
            ", os_code, COUNT(*), SUM(items), SUM(offers) FROM scans GROUP BY 1, 2",
        "CREATE TABLE offer_counts (day TEXT NOT NULL, identity TEXT NOT NULL, os_code TEXT NOT NULL, "
        "offers BIGINT NOT NULL, PRIMARY KEY (day, identity, os_code))",
        "CREATE TABLE offer_totals (identity TEXT NOT NULL, os_code TEXT NOT NULL, offers BIGINT NOT NULL, "
        "PRIMARY KEY (identity, os_code))",
    };
}

}  // namespace

const std::vector<SchemaStep>& SchemaSteps()
{
    static const std::vector<SchemaStep> steps = {
        {1, "the catalog, its version and the scan records", CatalogAndScans},
        {2, "catalog entries per OS code, with the driver's date", EntriesPerOsCode},
        {3, "daily roll-ups of the scans and the offers", DailyRollUps},
    };
    return steps;
}
