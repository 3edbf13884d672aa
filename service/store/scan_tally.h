#pragma once
// What a batch of scan records adds to the daily roll-ups. The counting is the writer's: a record
// carries only the indices of its offered entries in the catalog snapshot it holds. Every list is
// in the byte order of its key, so that instances sharing a database update its rows in one order
// and never wait for each other in a circle.
#include "scan_totals.h"
#include "service_store.h"

struct ScanTally {
    std::vector<DayTotal> days;               // by day and OS code
    std::vector<DayOffers> offersPerDay;      // by day, identity and code
    std::vector<EntryOffers> offersPerEntry;  // the same summed over the days, by identity and code
};

ScanTally TallyScans(const std::vector<ScanRecord>& records);

// The rows summed per entry, by identity and code.
std::vector<EntryOffers> SumPerEntry(std::vector<EntryOffers> rows);
