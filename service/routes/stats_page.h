#pragma once
// The admin listener's statistics page, /stats: scans per day for the last 90 days as a chart
// drawn here in SVG, and, over every scan kept, the OS codes' shares, items and offers per scan
// and the catalog entries offered most often. Plain HTML with the SVG inline: no script, nothing
// loaded from elsewhere. Every text from the database is escaped.
#include "scan_totals.h"

#include <ctime>
#include <string>

constexpr int kChartDays = 90;
constexpr size_t kMostOfferedEntries = 20;

// now: the time the page is made at (the chart's last day is its UTC day); keepDays: how long
// scan records are kept (0: without limit).
std::string RenderStatsPage(const ScanStatistics& statistics, std::time_t now, int keepDays);
