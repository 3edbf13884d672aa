#include "scan_recorder.h"

#include "service_log.h"

#include <ctime>

namespace {

constexpr size_t kBatch = 5000;  // records per transaction at most
constexpr auto kCleanupInterval = std::chrono::hours(1);

}  // namespace

std::string UtcTime(int daysBefore)
{
    std::time_t when = std::time(nullptr) - static_cast<std::time_t>(daysBefore) * 24 * 60 * 60;
    std::tm parts{};
    gmtime_r(&when, &parts);
    char text[32];
    size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return std::string(text, length);
}

ScanRecorder::ScanRecorder(ServiceStore& store, RecorderSettings settings)
    : store_(store), settings_(settings), writer_([this] { Write(); })
{
}

ScanRecorder::~ScanRecorder()
{
    Stop(std::chrono::milliseconds(0));
}

bool ScanRecorder::Add(ScanRecord record)
{
    if (failing_)
        return false;
    std::lock_guard<std::mutex> lock(mutex_);
    if (queue_.size() >= settings_.capacity) {
        if (!fullReported_)
            LogService("the queue of scan records is full (" + std::to_string(queue_.size()) + "); refusing scans");
        fullReported_ = true;
        return false;
    }
    fullReported_ = false;
    queue_.push_back(std::move(record));
    if (queue_.size() == 1 || queue_.size() == kBatch)
        wake_.notify_one();
    return true;
}

size_t ScanRecorder::Stop(std::chrono::milliseconds patience)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!writer_.joinable())
            return lost_;
        stopping_ = true;
        giveUpAt_ = std::chrono::steady_clock::now() + patience;
    }
    wake_.notify_one();
    writer_.join();
    if (lost_ > 0)
        LogService(std::to_string(lost_) + " scan records could not be written and are lost");
    return lost_;
}

RecorderStats ScanRecorder::Stats()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return {queue_.size(), settings_.capacity, written_, refused_, failures_, retries_, lost_, failing_, lastError_};
}

void ScanRecorder::Write()
{
    auto nextCleanup = std::chrono::steady_clock::now();
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait_until(lock, nextCleanup, [this] { return stopping_ || !queue_.empty(); });
        // Requests that come in the next moments share the transaction.
        wake_.wait_for(lock, settings_.gather, [this] { return stopping_ || queue_.size() >= kBatch; });
        if (!queue_.empty()) {
            size_t count = std::min(kBatch, queue_.size());
            std::vector<ScanRecord> batch(std::make_move_iterator(queue_.begin()),
                                          std::make_move_iterator(queue_.begin() + static_cast<long>(count)));
            queue_.erase(queue_.begin(), queue_.begin() + static_cast<long>(count));
            if (!WriteBatch(batch, lock)) {
                lost_ += batch.size() + queue_.size();
                queue_.clear();
            }
        }
        if (std::chrono::steady_clock::now() >= nextCleanup) {
            lock.unlock();
            DeleteExpired();
            lock.lock();
            nextCleanup = std::chrono::steady_clock::now() + kCleanupInterval;
        }
        if (stopping_ && queue_.empty())
            return;
    }
}

bool ScanRecorder::WriteBatch(std::vector<ScanRecord>& batch, std::unique_lock<std::mutex>& lock)
{
    for (bool retry = false;; retry = true) {
        lock.unlock();
        std::string error;
        std::vector<RefusedRecord> refused;
        bool written = store_.RecordScans(batch, refused, error);
        for (const RefusedRecord& record : refused)
            LogService("the database refused the record of scan " + Printable(batch[record.index].scanGuid, 80) +
                       " (received " + batch[record.index].receivedUtc + "); it is dropped: " + record.error);
        lock.lock();
        retries_ += retry ? 1 : 0;
        if (written) {
            written_ += batch.size() - refused.size();
            refused_ += refused.size();
            if (failing_.exchange(false))
                LogService("scan records are written again");
            return true;
        }
        ++failures_;
        lastError_ = error;
        if (!failing_.exchange(true))
            LogService("cannot write scan records, refusing scans until it works again: " + error);
        if (stopping_ && std::chrono::steady_clock::now() >= giveUpAt_)
            return false;
        wake_.wait_for(lock, settings_.retryAfter);
    }
}

void ScanRecorder::DeleteExpired()
{
    if (settings_.keepDays <= 0)
        return;
    std::string error;
    if (!store_.DeleteScansBefore(UtcTime(settings_.keepDays), error))
        LogService("cannot delete expired scan records: " + error);
}
