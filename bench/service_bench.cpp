// Load on the reference service: concurrent clients post update-count requests for documents of
// 500 items against a large catalog, for a bounded time; requests per second and latency
// percentiles are printed.
//   service_bench catalog FILE [ENTRIES]        write a catalog text of generated devices
//   service_bench load HOST PORT SECONDS CLIENTS  post documents until the time is up
#include "made_up_ids.h"
#include "scan_document_layout.h"
#include "side_by_side.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

const int kDefaultEntries = 100000;
const int kItemsPerDocument = 500;
const int kDocumentsPerClient = 8;

std::string Identity(int number)
{
    return PciHardwareId(0x1000 + number % 4096, number / 4096, 0x10000000 + number, 1);
}

int WriteCatalog(const char* path, int entries)
{
    std::ofstream file(path, std::ios::binary);
    for (int i = 0; i < entries; ++i)
        file << Identity(i) << " | Bench device " << i << " | 2.0.0." << i % 100 << " | http://drivers.example/bench/"
             << i << ".exe\n";
    file.close();
    if (!file) {
        std::fprintf(stderr, "service_bench: cannot write %s\n", path);
        return 1;
    }
    return 0;
}

// Half of the items name catalog identities (older versions: offers), half unknown ones.
std::string CountRequestBody(unsigned seed)
{
    std::string text;
    for (int i = 0; i < kItemsPerDocument; ++i) {
        seed = seed * 1103515245u + 12345u;
        int number = static_cast<int>(seed >> 8) % kDefaultEntries;
        std::string identity = i % 2 ? Identity(number) : "BENCH\\UNKNOWN_" + std::to_string(seed);
        text += ItemLine(IdentityHashDecimal(identity), "1.0.0.0", nullptr);
    }
    return "data=" +
           AssembleDocument({"{BENCH000-0000-0000-0000-" + std::to_string(100000000000 + seed) + "}", "6", "", ""},
                            text, kItemsPerDocument);
}

double Percentile(std::vector<double>& sorted, double fraction)
{
    if (sorted.empty())
        return 0;
    size_t index = static_cast<size_t>(std::lround(fraction * static_cast<double>(sorted.size() - 1)));
    return sorted[index];
}

int Load(const std::string& host, int port, double seconds, int clients)
{
    std::vector<std::vector<std::string>> documents(clients);
    for (int c = 0; c < clients; ++c)
        for (int d = 0; d < kDocumentsPerClient; ++d)
            documents[c].push_back(CountRequestBody(static_cast<unsigned>(c * 1000 + d + 1)));

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
    std::printf("  %.1f update counts per second; latency p50 %.1f ms, p90 %.1f ms, p99 %.1f ms\n", rate, p50, p90,
                p99);
    PrintRow("Service, 500-item documents, 100,000-entry catalog, " + std::to_string(clients) +
                 " clients: update counts per second",
             "(reported)", Fixed(rate, 1) + (failures ? " (" + std::to_string(failures.load()) + " failed)" : ""));
    PrintRow("Service: update count latency p50 / p90 / p99 (ms)", "(reported)",
             Fixed(p50, 1) + " / " + Fixed(p90, 1) + " / " + Fixed(p99, 1));
    return failures == 0 && !latencies.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char* argv[])
{
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "catalog" && (argc == 3 || argc == 4))
        return WriteCatalog(argv[2], argc == 4 ? std::atoi(argv[3]) : kDefaultEntries);
    if (mode == "load" && argc == 6)
        return Load(argv[2], std::atoi(argv[3]), std::atof(argv[4]), std::atoi(argv[5]));
    std::fprintf(stderr,
                 "usage: service_bench catalog FILE [ENTRIES]\n"
                 "       service_bench load HOST PORT SECONDS CLIENTS\n");
    return 2;
}
