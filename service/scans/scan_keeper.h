#pragma once
// Keeps the scan documents that the results page accepted, for checking what clients send:
// each as the next free scan-N.xml of a folder, without its password, never replacing a file
// (also not one of an earlier run or of another instance that shares the folder). The kept
// files are bounded in number and in bytes, counting those the folder held at start: at the
// bound the keeper logs it once and keeps no more (it never deletes a file).
#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>

struct ScanReport;

struct KeepSettings {
    std::string folder;  // empty: nothing is kept
    size_t maxFiles = 10000;
    size_t maxBytes = size_t{1024} * 1024 * 1024;
};

class ScanKeeper {
public:
    explicit ScanKeeper(KeepSettings settings);
    // Whether the folder of settings can take kept documents (an existing folder that the
    // service may write to); false and a message when not. True when nothing is to be kept.
    static bool CanKeep(const KeepSettings& settings, std::string& error);
    // report is what the reader read from document.
    void Keep(std::string_view document, const ScanReport& report);

private:
    // Counts the document against the bounds; false (logged the first time) beyond them.
    bool Admit(size_t bytes);

    const KeepSettings settings_;
    std::atomic<unsigned long> next_{1};
    std::mutex mutex_;
    size_t files_ = 0;
    size_t bytes_ = 0;
    bool full_ = false;
};

// The document with the value of its Password element removed.
std::string WithoutPassword(std::string_view document, const ScanReport& report);
