#pragma once
// Writes the records of received scans off the request path: requests queue them, one thread
// writes what has gathered in one transaction, and deletes records older than the retention
// time now and then. The queue is bounded; while it is full or the database cannot take the
// records, requests are refused (never answered as if nothing had happened). A record whose
// values the database refuses is logged and dropped, and the rest of its batch is written. A
// stop writes what is queued.
#include "service_store.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

struct RecorderSettings {
    size_t capacity = 100000;              // queued records
    int keepDays = 90;                     // records older than this are deleted; 0 keeps them
    std::chrono::milliseconds gather{50};  // how long a batch gathers after its first record
    std::chrono::milliseconds retryAfter{200};
};

class ScanRecorder {
public:
    ScanRecorder(ServiceStore& store, RecorderSettings settings);
    ~ScanRecorder();
    ScanRecorder(const ScanRecorder&) = delete;
    ScanRecorder& operator=(const ScanRecorder&) = delete;

    // Queues the record; false when it cannot be kept (queue full, or the database failing).
    bool Add(ScanRecord record);
    // Writes what is queued, retrying a failing database for at most patience, and ends the
    // writer. The number of records that could not be written is logged and returned.
    size_t Stop(std::chrono::milliseconds patience);

private:
    void Write();
    bool WriteBatch(std::vector<ScanRecord>& batch, std::unique_lock<std::mutex>& lock);
    void DeleteExpired();

    ServiceStore& store_;
    const RecorderSettings settings_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<ScanRecord> queue_;
    bool stopping_ = false;
    std::chrono::steady_clock::time_point giveUpAt_;
    size_t lost_ = 0;
    std::atomic<bool> failing_{false};
    bool fullReported_ = false;
    std::thread writer_;
};

// The UTC time now, or the given number of days before now: "YYYY-MM-DDTHH:MM:SSZ".
std::string UtcTime(int daysBefore = 0);
