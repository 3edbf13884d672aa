#include "service_options.h"

#include "catalog_text.h"
#include "database_address.h"
#include "plain_text.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <vector>

namespace {

// Sizes may end in K, M or G (binary multiples).
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

// Reads an option's value into the options; false when the option takes no such value.
using ReadValue = std::function<bool(std::string_view value, ServiceOptions& options)>;

// One option: "--name value" on the command line, "name = value" in the configuration file.
struct Option {
    std::string_view name;
    std::string_view wanted;  // what its value must be, for the message when it is not
    ReadValue read;
    bool inFile = true;              // false for what is no setting of a running service
    std::string_view excludes = {};  // another option that names the same setting
    bool secret = false;             // its value may hold a password, which no message repeats
};

ReadValue Text(std::string ServiceOptions::*field)
{
    return [field](std::string_view value, ServiceOptions& options) {
        options.*field = std::string(value);
        return true;
    };
}

ReadValue Count(size_t ServiceOptions::*field, bool isSize, size_t least)
{
    return [=](std::string_view value, ServiceOptions& options) {
        return ParseNumber(value, isSize, options.*field) && options.*field >= least;
    };
}

// A whole number that may not be negative, into an int field.
ReadValue WholeNumber(int ServiceOptions::*field)
{
    return [field](std::string_view value, ServiceOptions& options) {
        size_t number = 0;
        if (!ParseNumber(value, false, number) || number > INT_MAX)
            return false;
        options.*field = static_cast<int>(number);
        return true;
    };
}

bool ReadDatabase(std::string_view value, ServiceOptions& options)
{
    options.databaseAddress = std::string(value);
    return IsPostgresAddress(value);
}

bool ReadListen(std::string_view value, ServiceOptions& options)
{
    return ParseListenAddress(value, options.host, options.port);
}

bool ReadAdminListen(std::string_view value, ServiceOptions& options)
{
    return ParseListenAddress(value, options.adminHost, options.adminPort);
}

bool ReadDownloadBase(std::string_view value, ServiceOptions& options)
{
    options.downloadBase = std::string(value);
    return IsCatalogDownload(value);
}

bool ReadArchitecture(std::string_view value, ServiceOptions& options)
{
    options.driverArchitecture = std::string(value);
    return value == "x86" || value == "amd64";
}

// "4,6": codes of the Windows table, each once, in the order given.
bool ReadDriverCodes(std::string_view text, ServiceOptions& options)
{
    std::vector<std::string>& codes = options.driverCodes;
    codes.clear();
    for (size_t start = 0;;) {
        size_t comma = text.find(',', start);
        std::string code(text.substr(start, comma == std::string_view::npos ? comma : comma - start));
        if ((code != "2" && code != "4" && code != "6") || std::find(codes.begin(), codes.end(), code) != codes.end())
            return false;
        codes.push_back(code);
        if (comma == std::string_view::npos)
            return true;
        start = comma + 1;
    }
}

// Every option, in the order of the usage text.
const std::vector<Option>& Options()
{
    static const std::vector<Option> options = {
        {"listen", "HOST:PORT", ReadListen},
        {"admin-listen", "HOST:PORT", ReadAdminListen},
        {"drain", "a number of seconds", WholeNumber(&ServiceOptions::drainSeconds)},
        {"catalog", "an SQLite file", Text(&ServiceOptions::catalogPath), true, "database"},
        {"database", "a postgresql:// address", ReadDatabase, true, "catalog", true},
        {"downloads", "a folder", Text(&ServiceOptions::downloadsDir)},
        {"keep-scans", "a folder", Text(&ServiceOptions::keptScansDir)},
        {"keep-scans-files", "a number of files", Count(&ServiceOptions::keptScansFiles, false, 0)},
        {"keep-scans-size", "a size in bytes, such as 1G", Count(&ServiceOptions::keptScansBytes, true, 0)},
        {"keep-days", "a number of days (0 keeps every record)", WholeNumber(&ServiceOptions::keepDays)},
        {"client-connections", "a number of connections (at least 1)",
         Count(&ServiceOptions::clientConnections, false, 1)},
        {"request-buffers", "a size in bytes, such as 256M", Count(&ServiceOptions::requestBuffers, true, 1)},
        {"config", "a file", Text(&ServiceOptions::configFile), false},
        {"import", "a catalog text file", Text(&ServiceOptions::importFile), false, "import-drivers"},
        {"import-drivers", "a folder", Text(&ServiceOptions::driverFolder), false},
        {"download-base", "an http:// or https:// address or a path starting with /", ReadDownloadBase, false},
        {"arch", "x86 or amd64", ReadArchitecture, false},
        {"for", "OS codes separated by commas, each of 2, 4 and 6", ReadDriverCodes, false},
    };
    return options;
}

const Option* FindOption(std::string_view name)
{
    const std::vector<Option>& options = Options();
    auto found =
        std::find_if(options.begin(), options.end(), [&](const Option& option) { return option.name == name; });
    return found == options.end() ? nullptr : &*found;
}

// An option's value and where it was given, for messages ("--listen", "FILE line 3: listen").
struct Setting {
    const Option* option;
    std::string value;
    std::string where;
};

// The options of the driver import go with --import-drivers, which needs to know where the
// packages' folders are downloaded from.
bool CheckDriverImport(const std::vector<Setting>& commandLine, const ServiceOptions& options, std::string& error)
{
    bool driverOptionGiven = std::any_of(commandLine.begin(), commandLine.end(), [](const Setting& setting) {
        std::string_view name = setting.option->name;
        return name == "download-base" || name == "arch" || name == "for";
    });
    if (options.driverFolder.empty() && driverOptionGiven)
        error = "--download-base, --arch and --for go with --import-drivers";
    else if (!options.driverFolder.empty() && options.downloadBase.empty())
        error = "--import-drivers needs --download-base: the address under which the packages' folders are";
    return error.empty();
}

bool ReadCommandLine(int argc, const char* const argv[], std::vector<Setting>& settings, bool& help, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            help = true;
            continue;
        }
        const Option* option = argument.substr(0, 2) == "--" ? FindOption(argument.substr(2)) : nullptr;
        if (!option) {
            error = "unknown option " + std::string(argument);
            return false;
        }
        if (i + 1 >= argc || std::string_view(argv[i + 1]).empty()) {
            error = std::string(argument) + " needs a value";
            return false;
        }
        settings.push_back({option, argv[++i], std::string(argument)});
    }
    return true;
}

bool ReadConfigFile(const std::string& path, std::vector<Setting>& settings, std::string& error)
{
    std::ifstream file(path);
    std::error_code fault;
    if (!file || std::filesystem::is_directory(path, fault)) {
        error = "cannot read the configuration file " + path + ": " + (file ? "it is a folder" : std::strerror(errno));
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        std::string_view text = Trimmed(line);
        if (text.empty() || text.front() == '#')
            continue;
        const std::string where = path + " line " + std::to_string(number);
        size_t equals = text.find('=');
        const std::string name(Trimmed(text.substr(0, equals)));
        const std::string_view value = equals == std::string_view::npos ? "" : Trimmed(text.substr(equals + 1));
        const Option* option = FindOption(name);
        if (equals == std::string_view::npos || !option || !option->inFile) {
            error = where + ": " +
                    (equals == std::string_view::npos ? "\"name = value\" expected"
                     : option                         ? name + " is given on the command line only"
                                                      : "unknown option " + name);
            return false;
        }
        if (value.empty() || std::any_of(settings.begin(), settings.end(),
                                         [&](const Setting& setting) { return setting.option == option; })) {
            error = where + ": " + name + (value.empty() ? " needs a value" : " is set twice");
            return false;
        }
        settings.push_back({option, std::string(value), where + ": " + name});
    }
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
    std::vector<Setting> commandLine;
    if (!ReadCommandLine(argc, argv, commandLine, options.help, error))
        return false;
    if (options.help)
        return true;
    std::vector<Setting> settings;
    for (const Setting& setting : commandLine) {
        if (setting.option->name == "config")
            options.configFile = setting.value;
    }
    if (!options.configFile.empty() && !ReadConfigFile(options.configFile, settings, error))
        return false;
    // The command line wins: a setting of the file goes when the command line gives its option, or
    // the other option that names the same setting (--catalog over the file's database).
    auto onCommandLine = [&](std::string_view name) {
        return std::any_of(commandLine.begin(), commandLine.end(),
                           [&](const Setting& given) { return given.option->name == name; });
    };
    settings.erase(std::remove_if(settings.begin(), settings.end(),
                                  [&](const Setting& setting) {
                                      return onCommandLine(setting.option->name) ||
                                             onCommandLine(setting.option->excludes);
                                  }),
                   settings.end());
    settings.insert(settings.end(), commandLine.begin(), commandLine.end());
    for (const Setting& setting : settings) {
        const Option& option = *setting.option;
        if (!option.read(setting.value, options)) {
            error = setting.where + " needs " + std::string(option.wanted) +
                    (option.secret ? std::string() : ", got " + setting.value);
            return false;
        }
        bool excluded = std::any_of(settings.begin(), settings.end(),
                                    [&](const Setting& other) { return other.option->name == option.excludes; });
        if (excluded) {
            error = "give either --" + std::string(option.name) + " or --" + std::string(option.excludes);
            return false;
        }
    }
    return CheckDriverImport(commandLine, options, error);
}

std::string ServiceUsage(std::string_view defaultAddress)
{
    return "Usage: korvala-service [--config FILE] [--listen HOST:PORT]\n"
           "                      [--catalog FILE | --database ADDRESS] [--downloads DIR]\n"
           "                      [--admin-listen HOST:PORT] [--drain SECONDS]\n"
           "                      [--keep-scans DIR] [--keep-scans-files N] [--keep-scans-size SIZE]\n"
           "                      [--keep-days DAYS] [--client-connections N] [--request-buffers SIZE]\n"
           "       korvala-service [--config FILE] [--catalog FILE | --database ADDRESS] --import CATALOG.txt\n"
           "       korvala-service [--config FILE] [--catalog FILE | --database ADDRESS] --import-drivers DIR\n"
           "                      --download-base URL [--arch x86|amd64] [--for 4,6]\n"
           "\n"
           "Korvala's update service: answers scan documents with results pages and update counts.\n"
           "\n"
           "  --listen HOST:PORT  address to listen on (default from " +
           std::string(defaultAddress) +
           ");\n"
           "                      port 0 picks a free port; a port in use is an error\n"
           "  --admin-listen HOST:PORT\n"
           "                      the operators' listener: /metrics, /healthz, /readyz, /stats\n"
           "                      (default 127.0.0.1:9077; keep it off the public network)\n"
           "  --drain SECONDS     after SIGTERM, go on serving this long while /readyz answers 503, so\n"
           "                      that a load balancer stops sending requests first (default 0)\n"
           "  --catalog FILE      SQLite database file (default korvala-catalog.sqlite); a new file is\n"
           "                      filled with the built-in sample catalog\n"
           "  --database ADDRESS  a PostgreSQL database instead (postgresql://user@host/name); several\n"
           "                      instances can share it. Other users can read a command line: give a\n"
           "                      password in the configuration file or libpq's password file\n"
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
           "  --config FILE       read options from FILE first: \"name = value\" lines, the names\n"
           "                      of the options above without --; the command line wins\n"
           "  --import FILE       add the entries of a catalog text file (identity | name | version |\n"
           "                      download [| os-codes [| date]] per line) to the catalog, replacing\n"
           "                      entries with the same identity and OS code, and exit; nothing is\n"
           "                      imported if any line is refused.\n"
           "                      Running services pick up the new catalog within seconds\n"
           "  --import-drivers DIR\n"
           "                      read the driver packages (.inf files) under DIR and add an entry for\n"
           "                      each device id and OS code their Windows would install, with the\n"
           "                      highest version among the packages; an entry of a higher version in\n"
           "                      the catalog stays. Prints a report and exits\n"
           "  --download-base URL the address of DIR: an entry's download is URL/package-folder/\n"
           "  --arch x86|amd64    the architecture the packages are read for (default x86)\n"
           "  --for CODES         the OS codes entries are made for (default 2,4,6: Windows 2000, XP and\n"
           "                      Server 2003, Vista and later)\n"
           "  --help              show this text\n"
           "\n"
           "Sizes are bytes, or end in K, M or G. One line per request is logged to standard error.\n"
           "SIGINT or SIGTERM stops the service after the requests under way are answered and the\n"
           "scan records are written; SIGKILL loses the scan records not yet written.\n";
}
