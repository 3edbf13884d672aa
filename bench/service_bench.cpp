// Load on the reference service: concurrent keep-alive clients post update-count requests for
// documents of 500 items against a large catalog, for a bounded time; requests per second and
// latency percentiles are printed.
//   service_bench catalog FILE [ENTRIES]
//       write a catalog text of real device ids from pci.ids and usb.ids
//   service_bench load HOST PORT SECONDS CLIENTS CATALOG
//       post documents made from that catalog's identities until the time is up
//   service_bench document CATALOG FILE
//       write the body of one such update-count request (for ApacheBench)
#include "benchmark_documents.h"
#include "side_by_side.h"

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

const int kDocumentsPerClient = 8;

int WriteCatalog(const char* path, int entries)
{
    std::ofstream file(path, std::ios::binary);
    std::string error;
    if (!WriteBenchmarkCatalog(file, entries, error)) {
        std::fprintf(stderr, "service_bench: %s\n", error.c_str());
        return 1;
    }
    file.close();
    return file ? 0 : 1;
}

std::vector<std::string> IdentitiesOfCatalog(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return CatalogIdentities(file);
}

double Percentile(std::vector<double>& sorted, double fraction)
{
    if (sorted.empty())
        return 0;
    size_t index = static_cast<size_t>(std::lround(fraction * static_cast<double>(sorted.size() - 1)));
    return sorted[index];
}

int WriteDocument(const std::string& catalog, const char* path)
{
    const std::vector<std::string> identities = IdentitiesOfCatalog(catalog);
    if (identities.empty()) {
        std::fprintf(stderr, "service_bench: no identities in %s\n", catalog.c_str());
        return 1;
    }
    std::ofstream file(path, std::ios::binary);
    file << CountRequestBody(identities, 1);
    file.close();
    return file ? 0 : 1;
}

int Load(const std::string& host, int port, double seconds, int clients, const std::string& catalog)
{
    const std::vector<std::string> identities = IdentitiesOfCatalog(catalog);
    if (identities.empty()) {
        std::fprintf(stderr, "service_bench: no identities in %s\n", catalog.c_str());
        return 1;
    }
    std::vector<std::vector<std::string>> documents(clients);
    for (int c = 0; c < clients; ++c)
        for (int d = 0; d < kDocumentsPerClient; ++d)
            documents[c].push_back(CountRequestBody(identities, static_cast<unsigned>(c * 1000 + d + 1)));

    std::mutex lock;
    std::vector<double> latencies;
    std::atomic<int> failures{0};
    std::atomic<long> offers{0};
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::duration<double>(seconds);
    std::vector<std::thread> threads;
    threads.reserve(clients);
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&, c] {
            httplib::Client client(host, port);
            client.set_keep_alive(true);
            client.set_tcp_nodelay(true);
            std::vector<double> mine;
            for (size_t n = 0; std::chrono::steady_clock::now() < end; ++n) {
                const std::string& body = documents[c][n % documents[c].size()];
                double took = SecondsOf([&] {
                    auto result = client.Post("/count_updates.php", body, "application/x-www-form-urlencoded");
                    if (!result || result->status != 200)
                        ++failures;
                    else
                        offers += std::atol(result->body.c_str());
                });
                mine.push_back(took);
            }
            std::lock_guard<std::mutex> guard(lock);
            latencies.insert(latencies.end(), mine.begin(), mine.end());
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::sort(latencies.begin(), latencies.end());
    const double rate = static_cast<double>(latencies.size()) / elapsed;
    const double p50 = Percentile(latencies, 0.50) * 1000, p90 = Percentile(latencies, 0.90) * 1000,
                 p99 = Percentile(latencies, 0.99) * 1000;
    std::printf("service: %zu requests in %.1f s from %d clients, %d failed, %.1f offers per document\n",
                latencies.size(), elapsed, clients, failures.load(),
                latencies.empty() ? 0.0 : static_cast<double>(offers) / static_cast<double>(latencies.size()));
    std::printf("  %.1f update counts per second; latency p50 %.2f ms, p90 %.2f ms, p99 %.2f ms\n", rate, p50, p90,
                p99);
    return failures == 0 && !latencies.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char* argv[])
{
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "catalog" && (argc == 3 || argc == 4))
        return WriteCatalog(argv[2], argc == 4 ? std::atoi(argv[3]) : kBenchmarkCatalogEntries);
    if (mode == "load" && argc == 7)
        return Load(argv[2], std::atoi(argv[3]), std::atof(argv[4]), std::atoi(argv[5]), argv[6]);
    if (mode == "document" && argc == 4)
        return WriteDocument(argv[2], argv[3]);
    std::fprintf(stderr,
                 "usage: service_bench catalog FILE [ENTRIES]\n"
                 "       service_bench load HOST PORT SECONDS CLIENTS CATALOG\n"
                 "       service_bench document CATALOG FILE\n");
    return 2;
}
