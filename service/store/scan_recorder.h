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

// What the recorder has done, for the service's metrics and readiness.
struct RecorderStats {
    size_t queued = 0;    // records waiting now
    size_t capacity = 0;  // of the queue
    uint64_t written = 0;
    uint64_t refused = 0;   // by the database for their values, and dropped
    uint64_t failures = 0;  // attempts to write a batch that the database failed
    uint64_t retries = 0;   // attempts after a failed one
    uint64_t lost = 0;      // not written by the end of a stop
    bool failing = false;   // the last attempt failed: scans are refused
    std::string error;      // the database's message for the last failure
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
    RecorderStats Stats();

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
    uint64_t written_ = 0, refused_ = 0, failures_ = 0, retries_ = 0;
    std::string lastError_;
    std::atomic<bool> failing_{false};
    bool fullReported_ = false;
    std::thread writer_;
};

// The UTC time now, or the given number of days before now: "YYYY-MM-DDTHH:MM:SSZ".
std::string UtcTime(int daysBefore = 0);
