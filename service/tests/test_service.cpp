#include "test_service.h"

#include "korvala_routes.h"
#include "scan_documents.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

TestService::TestService(bool keepScans)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "korvala-service-XXXXXX").string();
    folder_ = mkdtemp(pattern.data()) ? pattern : std::string();
    std::filesystem::create_directory(DownloadsFolder());
    std::filesystem::create_directory(KeptScansFolder());
    std::string error;
    catalog_ = CatalogStore::Open(folder_ + "/catalog.sqlite", error);
    EXPECT_TRUE(catalog_) << error;
    InstallKorvalaRoutes(server_, *catalog_,
                         RouteSettings{DownloadsFolder(), keepScans ? KeptScansFolder() : std::string()});
    port_ = server_.bind_to_any_port("127.0.0.1");
    EXPECT_GT(port_, 0);
    if (port_ > 0)
        listener_ = std::thread([this] { server_.listen_after_bind(); });
}

TestService::~TestService()
{
    if (listener_.joinable()) {
        // stop() only ends a server whose accept loop has begun.
        while (!server_.is_running())
            std::this_thread::yield();
        server_.stop();
        listener_.join();
    }
    catalog_.reset();
    std::filesystem::remove_all(folder_);
}

httplib::Client TestService::Client() const
{
    httplib::Client client("127.0.0.1", port_);
    client.set_read_timeout(30, 0);
    return client;
}

std::string SamplePcInventory()
{
    return DeviceLines("PCI\\VEN_8086&DEV_27C5&SUBSYS_01AD1028&REV_01", "5.1.2600.0", true) +
           DeviceLines("PCI\\VEN_10DE&DEV_0421&SUBSYS_04601458&REV_A1", "6.14.11.6921", true) +
           DeviceLines("USB\\VID_046D&PID_C01E&REV_2200", "4.80.0.0", true) +
           DeviceLines("PCI\\VEN_14E4&DEV_1693&SUBSYS_01AD1028&REV_02", "{4D36E972-E325-11CE-BFC1-08002BE10318}\\0001",
                       true) +
           DeviceLines("PCI\\VEN_1234&DEV_5678&SUBSYS_00000000&REV_00", "1.0", true) +
           ProgramLine("SOFTWARE\\Acme Ltd\\Acme Viewer", "1.0.0.0", true) +
           ProgramLine("SOFTWARE\\Northwind Traders\\Northwind Mail", "1, 0, 0, 0", true) +
           ProgramLine("SOFTWARE\\Contoso\\Contoso Paint", "2.5.0.0", true);
}
