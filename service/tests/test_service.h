#pragma once
// A korvala-service instance for tests: a fresh catalog file (filled with the sample catalog)
// in a temporary folder, served on an ephemeral loopback port by a thread of the test.
#include "catalog_store.h"

#include <httplib.h>

#include <memory>
#include <string>
#include <thread>

class TestService {
public:
    // keepScans: the desktop documents it receives are saved in KeptScansFolder().
    explicit TestService(bool keepScans = false);
    ~TestService();

    httplib::Client Client() const;
    CatalogStore& Catalog() { return *catalog_; }
    const std::string& Folder() const { return folder_; }
    std::string DownloadsFolder() const { return folder_ + "/downloads"; }
    std::string KeptScansFolder() const { return folder_ + "/scans"; }

private:
    std::string folder_;
    std::unique_ptr<CatalogStore> catalog_;
    httplib::Server server_;
    int port_ = -1;
    std::thread listener_;
};

// The inventory of the demo PC: five updates in the sample catalog, and items without one.
std::string SamplePcInventory();
constexpr size_t kSamplePcOffers = 5;
