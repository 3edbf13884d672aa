#pragma once
// The service's metrics as /metrics answers them, in the Prometheus text format: the public
// server's requests, latency, bytes, connections and refusals; the scans answered and recorded;
// the database's failures; the log; the catalog; the process.
#include "catalog_refresher.h"
#include "http_server.h"
#include "scan_recorder.h"

#include <string>

struct MetricSources {
    HttpServer& server;
    ScanRecorder& recorder;
    CatalogRefresher& refresher;
    const CatalogSnapshots& catalog;
    double startTime;  // of the process, seconds since the Unix epoch
};

std::string ServiceMetricsText(const MetricSources& sources);
