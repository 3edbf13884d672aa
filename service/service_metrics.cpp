#include "service_metrics.h"

#include "prometheus_text.h"
#include "service_log.h"

#include <iterator>

namespace {

using Labels = PrometheusText::Labels;

// The pages whose 200 replies are answered scans, and the value of their "page" label.
constexpr std::pair<const char*, const char*> kScanPages[] = {{"/count_updates.php", "count"},
                                                              {"/result_page.php?desktop", "desktop"}};

void HttpFamilies(PrometheusText& text, HttpServer& server)
{
    const HttpMetrics::Totals totals = server.Metrics().Sum();
    const size_t statuses = HttpMetrics::kStatuses.size();
    const size_t buckets = HttpMetrics::kLatencyBounds.size() + 1;
    text.Family("korvala_http_requests_total", "counter",
                "Requests answered or refused on the public listener, by target (\"other\" for any target the "
                "service does not serve) and status code.");
    for (size_t target = 0; target < totals.targets.size(); ++target) {
        for (size_t status = 0; status < statuses; ++status) {
            const int code = HttpMetrics::kStatuses[status];
            text.Sample("korvala_http_requests_total",
                        {{"target", totals.targets[target]}, {"code", code ? std::to_string(code) : "other"}},
                        totals.requests[target * statuses + status]);
        }
    }
    text.Family("korvala_http_request_duration_seconds", "histogram",
                "Time from the last byte of a request to its reply handed to the socket, for requests the "
                "service handled (not those its limits refused).");
    for (size_t target = 0; target < totals.targets.size(); ++target) {
        const uint64_t* cumulative = &totals.latencyBuckets[target * buckets];
        for (size_t bucket = 0; bucket < buckets; ++bucket) {
            const std::string bound =
                bucket + 1 < buckets ? PrometheusNumber(HttpMetrics::kLatencyBounds[bucket]) : "+Inf";
            text.Sample("korvala_http_request_duration_seconds_bucket",
                        {{"target", totals.targets[target]}, {"le", bound}}, cumulative[bucket]);
        }
        text.Sample("korvala_http_request_duration_seconds_sum", {{"target", totals.targets[target]}},
                    totals.latencySeconds[target]);
        text.Sample("korvala_http_request_duration_seconds_count", {{"target", totals.targets[target]}},
                    cumulative[buckets - 1]);
    }
    text.Family("korvala_http_received_bytes_total", "counter", "Bytes received on the public listener.");
    text.Sample("korvala_http_received_bytes_total", {}, totals.received);
    text.Family("korvala_http_sent_bytes_total", "counter", "Bytes sent on the public listener.");
    text.Sample("korvala_http_sent_bytes_total", {}, totals.sent);
    text.Single("korvala_http_connections", "gauge", "Connections open on the public listener.",
                static_cast<double>(server.OpenConnections()));
    text.Family("korvala_http_refused_total", "counter",
                "Connections and requests that a limit refused or cut off: client_connections (a newcomer from an "
                "address that holds its share), connections (a newcomer while the service is full), "
                "request_buffers (a body beyond the budget for bodies being received), head_size, body_size, "
                "request_deadline (a request that did not arrive in time), reply_stalled (a reply the client did "
                "not take).");
    for (size_t limit = 0; limit < totals.refused.size(); ++limit)
        text.Sample("korvala_http_refused_total", {{"limit", HttpMetrics::kLimitNames[limit]}}, totals.refused[limit]);
    text.Family("korvala_http_connections_evicted_total", "counter",
                "Connections closed while waiting for a request, to make room for a newcomer when the service was "
                "full.");
    text.Sample("korvala_http_connections_evicted_total", {}, totals.evicted);
    text.Family("korvala_scans_answered_total", "counter",
                "Scans answered (and queued for recording), by page: count (the update count) or desktop (the "
                "results page).");
    for (const auto& [target, page] : kScanPages) {
        const size_t index = server.Metrics().TargetIndex(target);
        text.Sample("korvala_scans_answered_total", {{"page", page}},
                    totals.requests[index * statuses + HttpMetrics::StatusIndex(200)]);
    }
}

void RecordFamilies(PrometheusText& text, const RecorderStats& records, const RefresherStats& catalog)
{
    text.Family("korvala_scan_records_written_total", "counter", "Scan records written to the database.");
    text.Sample("korvala_scan_records_written_total", {}, records.written);
    text.Family("korvala_scan_records_refused_total", "counter",
                "Scan records the database refused for their values; each is logged and dropped.");
    text.Sample("korvala_scan_records_refused_total", {}, records.refused);
    text.Single("korvala_scan_record_queue", "gauge", "Scan records waiting to be written.",
                static_cast<double>(records.queued));
    text.Single("korvala_scan_record_queue_capacity", "gauge",
                "Scan records that may wait; while the queue is full, scans are refused.",
                static_cast<double>(records.capacity));
    text.Family("korvala_database_failures_total", "counter",
                "Failed attempts on the database, by work: records (writing a batch of scan records) or catalog "
                "(reading the catalog or its version).");
    text.Sample("korvala_database_failures_total", {{"work", "records"}}, records.failures);
    text.Sample("korvala_database_failures_total", {{"work", "catalog"}}, catalog.failures);
    text.Family("korvala_database_retries_total", "counter",
                "Attempts to write a batch of scan records again after a failed one.");
    text.Sample("korvala_database_retries_total", {}, records.retries);
    text.Family("korvala_database_failing", "gauge",
                "1 while the last attempt of the work failed (records: scans are refused), else 0.");
    text.Sample("korvala_database_failing", {{"work", "records"}}, records.failing ? 1.0 : 0.0);
    text.Sample("korvala_database_failing", {{"work", "catalog"}}, catalog.failing ? 1.0 : 0.0);
}

}  // namespace

std::string ServiceMetricsText(const MetricSources& sources)
{
    PrometheusText text;
    HttpFamilies(text, sources.server);
    const RefresherStats catalog = sources.refresher.Stats();
    RecordFamilies(text, sources.recorder.Stats(), catalog);
    text.Family("korvala_log_lines_dropped_total", "counter",
                "Log lines dropped because standard error did not take them in time.");
    text.Sample("korvala_log_lines_dropped_total", {}, static_cast<uint64_t>(LogLinesDropped()));
    {
        const CatalogSnapshots::Pin snapshot = sources.catalog.Read();
        text.Single("korvala_catalog_version", "gauge", "The database's catalog version that the service answers from.",
                    static_cast<double>(snapshot->Version()));
        text.Single("korvala_catalog_entries", "gauge", "Entries of the catalog in memory.",
                    static_cast<double>(snapshot->EntryCount()));
    }
    text.Single("korvala_catalog_load_seconds", "gauge", "How long the last load of the catalog took.",
                catalog.loadSeconds);
    text.Single("process_start_time_seconds", "gauge", "Start time of the process since the Unix epoch in seconds.",
                sources.startTime);
    return text.Text();
}
