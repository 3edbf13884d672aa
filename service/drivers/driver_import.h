#pragma once
// The catalog entries a folder of driver packages makes (korvala-service --import-drivers): every
// .inf file under the folder is read; each id a device can send makes one entry per OS code whose
// every Windows would install it, with the highest version among the packages (of two with one
// version, the newer date). The entry is named from the device description and the provider and
// points at the package's folder under the download base. What was read, made, skipped and
// refused is counted for the operator's report.
#include "catalog_entry.h"
#include "windows_targets.h"

#include <map>
#include <string>
#include <vector>

struct DriverImportSettings {
    std::string folder;
    std::string downloadBase;  // an http(s):// address or a path on the service
    Architecture architecture = Architecture::X86;
    std::vector<std::string> codes = KnownOsCodes();
};

struct DriverImport {
    std::vector<CatalogEntry> entries;
    size_t infFiles = 0;  // found
    size_t infRead = 0;
    size_t packages = 0;  // folders with an INF file read
    std::map<std::string, size_t> entriesPerCode;
    std::map<std::string, size_t> unreachable;  // ids no device sends, by reason
    size_t notForAWholeCode = 0;                // ids no code asked gets on every one of its Windows
    std::vector<std::string> refused;           // "file: line N: reason", also folders that cannot be read
};

DriverImport ReadDriverPackages(const DriverImportSettings& settings);

// The report's lines about the packages (read, entries per code, ids skipped, files refused).
std::string DescribeDriverImport(const DriverImport& import);
