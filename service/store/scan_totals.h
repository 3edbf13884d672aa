#pragma once
// The daily roll-ups of the scan records, as the database keeps them beside the records and the
// statistics page reads them.
#include <string>
#include <vector>

// The scans of one UTC day from one OS code, with their items and offers (table scan_days).
struct DayTotal {
    std::string day;  // "YYYY-MM-DD"
    std::string osCode;
    long long scans = 0;
    long long items = 0;
    long long offers = 0;
};

// How often a catalog entry (its identity and OS code, "" for every Windows) was offered.
struct EntryOffers {
    std::string identity;
    std::string osCode;
    long long offers = 0;
};

// The same on one UTC day (table offer_counts).
struct DayOffers {
    std::string day;
    EntryOffers entry;
};

// What /stats shows.
struct ScanStatistics {
    std::vector<DayTotal> days;  // every day kept, oldest first, each day's codes in byte order
    // The entries offered most often in the days kept, most first, with their names in the
    // catalog (empty for an entry no longer there).
    std::vector<std::pair<EntryOffers, std::string>> mostOffered;
    std::string offersCountedSince;  // the first day kept of the offer counts; empty when none
};
