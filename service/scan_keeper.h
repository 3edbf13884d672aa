#pragma once
// Keeps the scan documents that the results page accepted, for checking what clients send:
// each as the next free scan-N.xml of a folder, without its password, never replacing a file
// (also not one of an earlier run or of another instance that shares the folder), and no more
// than a fixed number of files.
#include <atomic>
#include <string>
#include <string_view>

struct ScanReport;

class ScanKeeper {
public:
    static constexpr size_t kMaxFiles = 10000;

    // An empty folder keeps nothing.
    explicit ScanKeeper(std::string folder);
    // report is what the reader read from document.
    void Keep(std::string_view document, const ScanReport& report);

private:
    std::string folder_;
    std::atomic<unsigned long> next_{1};
    std::atomic<size_t> kept_{0};
};

// The document with the value of its Password element removed.
std::string WithoutPassword(std::string_view document, const ScanReport& report);
