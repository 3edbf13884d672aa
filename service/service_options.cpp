#include "service_options.h"

#include "database_address.h"

#include <charconv>
#include <cstdint>
#include <limits>

namespace {

// The options that take a number; sizes may end in K, M or G (binary multiples).
struct NumberOption {
    std::string_view name;
    size_t ServiceOptions::*field;
    bool isSize;
    size_t least;
    const char* wanted;
};

const NumberOption kNumberOptions[] = {
    {"--client-connections", &ServiceOptions::clientConnections, false, 1, "a number of connections (at least 1)"},
    {"--request-buffers", &ServiceOptions::requestBuffers, true, 1, "a size in bytes, such as 256M"},
    {"--keep-scans-files", &ServiceOptions::keptScansFiles, false, 0, "a number of files"},
    {"--keep-scans-size", &ServiceOptions::keptScansBytes, true, 0, "a size in bytes, such as 1G"},
};

bool ParseNumber(std::string_view text, bool isSize, size_t& value)
{
    size_t unit = 1;
    if (isSize && !text.empty()) {
        const std::string_view units = "KMG";
        if (size_t power = units.find(text.back()); power != std::string_view::npos) {
            unit = size_t{1} << (10 * (power + 1));
            text.remove_suffix(1);
        }
    }
    size_t number = 0;
    auto [end, fault] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (fault != std::errc() || end != text.data() + text.size() || text.empty() ||
        number > std::numeric_limits<size_t>::max() / unit)
        return false;
    value = number * unit;
    return true;
}

}  // namespace

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
    bool catalogGiven = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view name = argv[i];
        if (name == "--help" || name == "-h") {
            options.help = true;
            continue;
        }
        std::string* target = name == "--catalog"      ? &options.catalogPath
                              : name == "--database"   ? &options.databaseAddress
                              : name == "--downloads"  ? &options.downloadsDir
                              : name == "--import"     ? &options.importFile
                              : name == "--keep-scans" ? &options.keptScansDir
                                                       : nullptr;
        const NumberOption* number = nullptr;
        for (const NumberOption& option : kNumberOptions)
            number = name == option.name ? &option : number;
        const bool listen = name == "--listen" || name == "--admin-listen";
        int* days = name == "--keep-days" ? &options.keepDays : name == "--drain" ? &options.drainSeconds : nullptr;
        if (!target && !number && !listen && !days) {
            error = "unknown option " + std::string(name);
            return false;
        }
        if (i + 1 >= argc || std::string_view(argv[i + 1]).empty()) {
            error = std::string(name) + " needs a value";
            return false;
        }
        std::string_view value = argv[++i];
        catalogGiven = catalogGiven || name == "--catalog";
        if (target) {
            *target = std::string(value);
        } else if (number) {
            size_t& field = options.*number->field;
            if (!ParseNumber(value, number->isSize, field) || field < number->least) {
                error = std::string(name) + " needs " + number->wanted + ", got " + std::string(value);
                return false;
            }
        } else if (days) {
            auto [end, fault] = std::from_chars(value.data(), value.data() + value.size(), *days);
            if (fault != std::errc() || end != value.data() + value.size() || *days < 0) {
                error = std::string(name) +
                        (days == &options.keepDays ? " needs a number of days (0 keeps every record), got "
                                                   : " needs a number of seconds, got ") +
                        std::string(value);
                return false;
            }
        } else if (name == "--admin-listen" ? !ParseListenAddress(value, options.adminHost, options.adminPort)
                                            : !ParseListenAddress(value, options.host, options.port)) {
            error = std::string(name) + " needs HOST:PORT, got " + std::string(value);
            return false;
        }
    }
    if (!options.databaseAddress.empty() && (catalogGiven || !IsPostgresAddress(options.databaseAddress))) {
        error = catalogGiven ? "give either --catalog or --database"
                             : "--database needs a postgresql:// address, got " + options.databaseAddress;
        return false;
    }
    return true;
}

std::string ServiceUsage(std::string_view defaultAddress)
{
    return "Usage: korvala-service [--listen HOST:PORT] [--catalog FILE | --database ADDRESS]\n"
           "                      [--admin-listen HOST:PORT] [--drain SECONDS]\n"
           "                      [--downloads DIR] [--keep-scans DIR] [--keep-scans-files N]\n"
           "                      [--keep-scans-size SIZE] [--keep-days DAYS]\n"
           "                      [--client-connections N] [--request-buffers SIZE]\n"
           "       korvala-service [--catalog FILE | --database ADDRESS] --import CATALOG.txt\n"
           "\n"
           "Korvala's update service: answers scan documents with results pages and update counts.\n"
           "\n"
           "  --listen HOST:PORT  address to listen on (default from " +
           std::string(defaultAddress) +
           ");\n"
           "                      port 0 picks a free port; a port in use is an error\n"
           "  --admin-listen HOST:PORT\n"
           "                      the operators' listener: /metrics, /healthz, /readyz (default\n"
           "                      127.0.0.1:9077; keep it off the public network)\n"
           "  --drain SECONDS     after SIGTERM, go on serving this long while /readyz answers 503, so\n"
           "                      that a load balancer stops sending requests first (default 0)\n"
           "  --catalog FILE      SQLite database file (default korvala-catalog.sqlite); a new file is\n"
           "                      filled with the built-in sample catalog\n"
           "  --database ADDRESS  a PostgreSQL database instead (postgresql://user@host/name); several\n"
           "                      instances can share it\n"
           "  --downloads DIR     folder that /download/korvala-setup.exe is served from\n"
           "                      (default downloads)\n"
           "  --keep-scans DIR    also save each scan document that the results page accepted there,\n"
           "                      without its password, as the next free scan-N.xml (for checking\n"
           "                      what a client sent; existing files are never replaced); the folder\n"
           "                      must exist\n"
           "  --keep-scans-files N, --keep-scans-size SIZE\n"
           "                      keep no more once the folder holds this many kept scans (default\n"
           "                      10000) or this many bytes of them (default 1G)\n"
           "  --keep-days DAYS    delete scan records older than this (default 90; 0 keeps all)\n"
           "  --client-connections N\n"
           "                      connections one client address may hold (default 64)\n"
           "  --request-buffers SIZE\n"
           "                      memory for request bodies being received, all clients together\n"
           "                      (default 256M); beyond it requests get 503\n"
           "  --import FILE       add the entries of a catalog text file (identity | name | version |\n"
           "                      download per line) to the catalog, replacing entries with the same\n"
           "                      identity, and exit; nothing is imported if any line is refused.\n"
           "                      Running services pick up the new catalog within seconds\n"
           "  --help              show this text\n"
           "\n"
           "Sizes are bytes, or end in K, M or G. One line per request is logged to standard error.\n"
           "SIGINT or SIGTERM stops the service after the requests under way are answered and the\n"
           "scan records are written; SIGKILL loses the scan records not yet written.\n";
}
