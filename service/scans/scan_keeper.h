#pragma once
// Keeps the scan documents that the results page accepted, for checking what clients send:
// each as the next free scan-N.xml of a folder, without its password, never replacing a file
// (also not one of an earlier run or of another instance that shares the folder). The kept
// files are bounded in number and in bytes, counting those the folder held at start: at the
// bound the keeper logs it once and keeps no more (it never deletes a file). A thread of the
// keeper writes the files, so that a slow disk never holds a request: the documents wait in a
// bounded queue, and while it is full, a document is not kept (which is logged once).
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

struct ScanReport;

struct KeepSettings {
    std::string folder;  // empty: nothing is kept
    size_t maxFiles = 10000;
    size_t maxBytes = size_t{1024} * 1024 * 1024;
};

class ScanKeeper {
public:
    explicit ScanKeeper(KeepSettings settings);
    ~ScanKeeper();  // Stop
    ScanKeeper(const ScanKeeper&) = delete;
    ScanKeeper& operator=(const ScanKeeper&) = delete;

    // Whether the folder of settings can take kept documents (an existing folder that the
    // service may write to); false and a message when not. True when nothing is to be kept.
    static bool CanKeep(const KeepSettings& settings, std::string& error);
    // Queues the document for its file; report is what the reader read from document.
    void Keep(std::string_view document, const ScanReport& report);
    // Writes the documents queued so far and ends the writer.
    void Stop();

private:
    // Counts the document against the bounds and the queue; false (logged the first time)
    // beyond them.
    bool Admit(size_t bytes);
    void Write();
    void WriteFile(const std::string& text);

    const KeepSettings settings_;
    unsigned long next_ = 1;  // the writer's
    std::mutex mutex_;
    std::condition_variable queued_;
    std::deque<std::string> queue_;
    size_t queuedBytes_ = 0;
    size_t files_ = 0;
    size_t bytes_ = 0;
    bool full_ = false;
    bool behind_ = false;  // the queue was full
    bool stopping_ = false;
    std::thread writer_;
};

// The document with the value of its Password element removed.
std::string WithoutPassword(std::string_view document, const ScanReport& report);
