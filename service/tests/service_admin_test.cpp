// The admin listener: /metrics counts exactly what happened on the public listener and passes
// promtool's check of the Prometheus text format.
#include "raw_connection.h"
#include "scan_documents.h"
#include "test_service.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace {

using Samples = std::map<std::string, double>;

// Every sample of a scrape, by its name with labels.
Samples Scrape(TestService& service, std::string* text = nullptr)
{
    httplib::Result reply = service.AdminClient().Get("/metrics");
    EXPECT_TRUE(reply && reply->status == 200);
    Samples samples;
    if (!reply)
        return samples;
    std::istringstream lines(reply->body);
    for (std::string line; std::getline(lines, line);) {
        const size_t space = line.rfind(' ');
        if (!line.empty() && line[0] != '#' && space != std::string::npos)
            samples[line.substr(0, space)] = std::stod(line.substr(space + 1));
    }
    if (text)
        *text = reply->body;
    return samples;
}

TEST(ServiceAdmin, MetricsCountExactlyWhatHappened)
{
    TestService service;
    ASSERT_TRUE(service.Started());
    const Samples before = Scrape(service);
    ASSERT_FALSE(before.empty());

    const std::string body = "data=" + WholeDocument(SamplePcInventory());
    for (int i = 0; i < 3; ++i) {
        httplib::Result reply = service.Client().Post("/count_updates.php", body, "application/x-www-form-urlencoded");
        ASSERT_TRUE(reply && reply->body == "5");
    }
    RawConnection oversized(service.Port());
    ASSERT_TRUE(oversized.Send("POST /count_updates.php HTTP/1.1\r\nHost: x\r\nContent-Length: 2000000\r\n\r\ndata="));
    EXPECT_TRUE(oversized.ReadUntilClosed(std::chrono::seconds(60)));
    EXPECT_EQ(oversized.Received().substr(0, 12), "HTTP/1.1 413");
    httplib::Result missing = service.Client().Get("/nothing-here");
    ASSERT_TRUE(missing && missing->status == 404);
    ASSERT_TRUE(service.WaitForScans(3));

    std::string text;
    const Samples after = Scrape(service, &text);
    const Samples moved = {
        {"korvala_http_requests_total{target=\"/count_updates.php\",code=\"200\"}", 3},
        {"korvala_http_requests_total{target=\"/count_updates.php\",code=\"413\"}", 1},
        {"korvala_http_requests_total{target=\"other\",code=\"404\"}", 1},
        {"korvala_http_request_duration_seconds_count{target=\"/count_updates.php\"}", 3},
        {"korvala_http_request_duration_seconds_count{target=\"other\"}", 1},
        {"korvala_http_refused_total{limit=\"body_size\"}", 1},
        {"korvala_scans_answered_total{page=\"count\"}", 3},
        {"korvala_scan_records_written_total", 3},
    };
    // Every other counter stood still, but for the bytes and the histogram's buckets and sums.
    for (const auto& [sample, value] : after) {
        const bool counter = sample.find("_total") != std::string::npos || sample.find("_count{") != std::string::npos;
        if (!counter || sample.rfind("korvala_http_received_bytes", 0) == 0 ||
            sample.rfind("korvala_http_sent_bytes", 0) == 0)
            continue;
        const auto expected = moved.find(sample);
        EXPECT_EQ(value - before.at(sample), expected == moved.end() ? 0 : expected->second) << sample;
    }
    for (const auto& [sample, delta] : moved)
        EXPECT_TRUE(after.count(sample)) << sample;
    EXPECT_GT(after.at("korvala_http_received_bytes_total"),
              before.at("korvala_http_received_bytes_total") + 3 * body.size());
    EXPECT_GT(after.at("korvala_http_sent_bytes_total"), before.at("korvala_http_sent_bytes_total"));
    EXPECT_EQ(after.at("korvala_catalog_entries"), static_cast<double>(service.Store().EntryCount()));

    // The text passes the check of Prometheus' own tool, lint included.
    if (!std::filesystem::exists("/usr/bin/promtool"))
        GTEST_SKIP() << "promtool (package prometheus) is not installed";
    const std::string file = service.Folder() + "/metrics.txt";
    std::ofstream(file) << text;
    const std::string command = "promtool check metrics < " + file + " 2>&1";
    FILE* check = popen(command.c_str(), "r");
    ASSERT_TRUE(check);
    std::string output;
    char buffer[256];
    while (size_t got = fread(buffer, 1, sizeof buffer, check))
        output.append(buffer, got);
    EXPECT_EQ(pclose(check), 0) << output;
}

}  // namespace
