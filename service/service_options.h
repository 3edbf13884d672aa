#pragma once
// The options of korvala-service: its command line and its configuration file.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "http_server.h"
#include "scan_keeper.h"

struct ServiceOptions {
    std::string host;
    int port = 0;
    std::string adminHost = "127.0.0.1";  // the admin listener (--admin-listen)
    int adminPort = 9077;
    std::string catalogPath = "korvala-catalog.sqlite";  // SQLite file (--catalog)
    std::string databaseAddress;                         // "postgresql://..." (--database)
    std::string downloadsDir = "downloads";
    std::string importFile;                                  // import this catalog text and exit
    std::string driverFolder;                                // import the driver packages under it and exit
    std::string downloadBase;                                // where the packages' folders are downloaded from
    std::string driverArchitecture = "x86";                  // the architecture the packages are read for
    std::vector<std::string> driverCodes = {"2", "4", "6"};  // the OS codes entries are made for
    std::string configFile;                                  // options read before the command line's (--config)
    std::string keptScansDir;                         // where accepted desktop scan documents are saved; empty: nowhere
    size_t keptScansFiles = KeepSettings().maxFiles;  // files in keptScansDir at most
    size_t keptScansBytes = KeepSettings().maxBytes;  // their bytes at most
    int keepDays = 90;                                // scan records older than this are deleted; 0 keeps them
    int drainSeconds = 0;                             // after SIGTERM, answered with /readyz at 503
    size_t clientConnections = HttpLimits().maxConnectionsPerClient;  // connections from one client address
    size_t requestBuffers = HttpLimits().maxBufferedBodyBytes;        // bytes of request bodies being received
    bool help = false;

    // The database the service uses: the PostgreSQL address when given, else the SQLite file.
    const std::string& Database() const { return databaseAddress.empty() ? catalogPath : databaseAddress; }
};

// "HOST:PORT", or a base address such as "http://HOST[:PORT][/...]" (port 80 when missing).
bool ParseListenAddress(std::string_view text, std::string& host, int& port);

// Starts from the defaults (listen address from defaultAddress), then takes the options of the
// configuration file that --config names, then those of the command line, which win over the
// file's. The file holds "name = value" lines, the names those of the command line's options
// without "--"; empty lines and lines starting with "#" are skipped. False and a message on a
// bad or incomplete option, or a file that cannot be read.
bool ParseServiceOptions(int argc, const char* const argv[], std::string_view defaultAddress, ServiceOptions& options,
                         std::string& error);

std::string ServiceUsage(std::string_view defaultAddress);
