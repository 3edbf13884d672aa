// Load on the reference service over loopback: concurrent clients, each on its own keep-alive
// connection, alternate update-count and results requests for a fixed number of requests.
// Usage: service_load HOST PORT CLIENTS REQUESTS_PER_CLIENT
// Prints the totals; exit code 0 when every request got its expected answer.
#include "scan_documents.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

// A document with two programs that the sample catalog offers and one device it does not know.
std::string LoadDocument()
{
    return WholeDocument(ProgramLine("SOFTWARE\\Acme Ltd\\Acme Viewer", "1.0.0.0", true) +
                         ProgramLine("SOFTWARE\\Contoso\\Contoso Paint", "2.0.0.0", true) +
                         DeviceLines("PCI\\VEN_1AF4&DEV_1000&SUBSYS_00011AF4&REV_00", "1.2.3.4", true));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: service_load HOST PORT CLIENTS REQUESTS_PER_CLIENT\n");
        return 2;
    }
    const std::string host = argv[1];
    const int port = std::atoi(argv[2]);
    const int clients = std::atoi(argv[3]);
    const int perClient = std::atoi(argv[4]);
    const std::string document = LoadDocument();
    const std::string form = "data=" + document;

    std::atomic<int> sent{0}, failed{0}, counts{0}, pages{0};
    auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> threads;
    threads.reserve(clients);
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&, c] {
            httplib::Client client(host, port);
            client.set_keep_alive(true);
            client.set_connection_timeout(5);
            client.set_read_timeout(10);
            for (int i = 0; i < perClient; ++i) {
                ++sent;
                bool count = (i + c) % 2 == 0;
                auto reply =
                    count ? client.Post("/count_updates.php", form, "application/x-www-form-urlencoded")
                          : client.Post("/result_page.php?desktop", document, "application/x-www-form-urlencoded");
                bool ok = reply && reply->status == 200 &&
                          (count ? reply->body == "2" : reply->body.find("Acme Viewer") != std::string::npos);
                if (!ok) {
                    if (failed++ < 5)
                        std::fprintf(stderr, "failed: %s status %d\n", count ? "count" : "results",
                                     reply ? reply->status : -1);
                    continue;
                }
                ++(count ? counts : pages);
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("clients %d, requests %d (count %d, results %d answered right), failed %d, %.1f s, %.0f requests/s\n",
                clients, sent.load(), counts.load(), pages.load(), failed.load(), seconds, sent.load() / seconds);
    return failed == 0 ? 0 : 1;
}
