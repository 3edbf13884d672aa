#include "service_options.h"

#include <charconv>

bool ParseListenAddress(std::string_view text, std::string& host, int& port)
{
    constexpr std::string_view kScheme = "http://";
    bool isUrl = text.substr(0, kScheme.size()) == kScheme;
    if (isUrl) {
        text.remove_prefix(kScheme.size());
        text = text.substr(0, text.find('/'));
    }
    size_t colon = text.rfind(':');
    std::string_view hostPart = text.substr(0, colon);
    if (hostPart.empty() || hostPart.find_first_of(":/ ") != std::string_view::npos)
        return false;
    int value = 80;
    if (colon == std::string_view::npos) {
        if (!isUrl)
            return false;
    } else {
        std::string_view portPart = text.substr(colon + 1);
        auto [end, fault] = std::from_chars(portPart.data(), portPart.data() + portPart.size(), value);
        if (fault != std::errc() || end != portPart.data() + portPart.size() || portPart.empty() || value < 0 ||
            value > 65535)
            return false;
    }
    host = std::string(hostPart);
    port = value;
    return true;
}

bool ParseServiceOptions(int argc, const char* const argv[], std::string_view defaultAddress, ServiceOptions& options,
                         std::string& error)
{
    if (!ParseListenAddress(defaultAddress, options.host, options.port)) {
        error = "the built-in service address is not usable: " + std::string(defaultAddress);
        return false;
    }
    for (int i = 1; i < argc; ++i) {
        std::string_view name = argv[i];
        if (name == "--help" || name == "-h") {
            options.help = true;
            continue;
        }
        std::string* target = name == "--catalog"      ? &options.catalogPath
                              : name == "--downloads"  ? &options.downloadsDir
                              : name == "--import"     ? &options.importFile
                              : name == "--keep-scans" ? &options.keptScansDir
                                                       : nullptr;
        if (!target && name != "--listen") {
            error = "unknown option " + std::string(name);
            return false;
        }
        if (i + 1 >= argc || std::string_view(argv[i + 1]).empty()) {
            error = std::string(name) + " needs a value";
            return false;
        }
        std::string_view value = argv[++i];
        if (target) {
            *target = std::string(value);
        } else if (!ParseListenAddress(value, options.host, options.port)) {
            error = "--listen needs HOST:PORT, got " + std::string(value);
            return false;
        }
    }
    return true;
}

std::string ServiceUsage(std::string_view defaultAddress)
{
    return "Usage: korvala-service [--listen HOST:PORT] [--catalog FILE] [--downloads DIR]\n"
           "                      [--keep-scans DIR]\n"
           "       korvala-service [--catalog FILE] --import CATALOG.txt\n"
           "\n"
           "Korvala's update service: answers scan documents with results pages and update counts.\n"
           "\n"
           "  --listen HOST:PORT  address to listen on (default from " +
           std::string(defaultAddress) +
           ");\n"
           "                      port 0 picks a free port\n"
           "  --catalog FILE      SQLite catalog file (default korvala-catalog.sqlite); a new file is\n"
           "                      filled with the built-in sample catalog\n"
           "  --downloads DIR     folder that /download/korvala-setup.exe is served from\n"
           "                      (default downloads)\n"
           "  --keep-scans DIR    also save each scan document posted to the results page there, as\n"
           "                      scan-1.xml, scan-2.xml, ... in the order received (for checking\n"
           "                      what a client sent; earlier files of those names are replaced)\n"
           "  --import FILE       add the entries of a catalog text file (identity | name | version |\n"
           "                      download per line) to the catalog, replacing entries with the same\n"
           "                      identity, and exit; nothing is imported if any line is refused\n"
           "  --help              show this text\n"
           "\n"
           "One line per request is logged to standard error. SIGINT or SIGTERM stops the service.\n";
}
