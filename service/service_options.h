#pragma once
// The command line of korvala-service.
#include <string>
#include <string_view>

struct ServiceOptions {
    std::string host;
    int port = 0;
    std::string catalogPath = "korvala-catalog.sqlite";
    std::string downloadsDir = "downloads";
    std::string importFile;    // import this catalog text and exit
    std::string keptScansDir;  // where received desktop scan documents are saved; empty: nowhere
    bool help = false;
};

// "HOST:PORT", or a base address such as "http://HOST[:PORT][/...]" (port 80 when missing).
bool ParseListenAddress(std::string_view text, std::string& host, int& port);

// Starts from the defaults (listen address from defaultAddress); false and a message on a bad
// or incomplete option.
bool ParseServiceOptions(int argc, const char* const argv[], std::string_view defaultAddress, ServiceOptions& options,
                         std::string& error);

std::string ServiceUsage(std::string_view defaultAddress);
