#include "service_log.h"

#include "write_all.h"

#include <unistd.h>

namespace {

constexpr size_t kLogCapacity = 10000;
// Lines that come in this moment after the first go out in one write.
constexpr auto kGather = std::chrono::milliseconds(10);
constexpr size_t kGatherLines = 256;
constexpr size_t kWriteBytes = size_t{64} * 1024;

LogWriter& ServiceLog()
{
    static LogWriter* const writer = new LogWriter(STDERR_FILENO, kLogCapacity);
    return *writer;
}

}  // namespace

LogWriter::LogWriter(int descriptor, size_t capacity)
    : descriptor_(descriptor), capacity_(capacity), writer_([this] { Run(); })
{
}

LogWriter::~LogWriter()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ending_ = true;
    }
    queued_.notify_one();
    writer_.join();
}

void LogWriter::Write(std::string line)
{
    bool first = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (queue_.size() >= capacity_) {
            ++dropped_;
            ++droppedInAll_;
            return;
        }
        queue_.push_back(std::move(line));
        first = queue_.size() == 1;
    }
    if (first)
        queued_.notify_one();
}

bool LogWriter::Flush(std::chrono::milliseconds patience)
{
    std::unique_lock<std::mutex> lock(mutex_);
    queued_.notify_one();
    return written_.wait_for(lock, patience, [this] { return queue_.empty() && dropped_ == 0 && !writing_; });
}

size_t LogWriter::DroppedInAll()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return droppedInAll_;
}

void LogWriter::Run()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        queued_.wait(lock, [this] { return ending_ || !queue_.empty() || dropped_ > 0; });
        queued_.wait_for(lock, kGather, [this] { return ending_ || queue_.size() >= kGatherLines; });
        if (queue_.empty() && dropped_ == 0)
            return;
        std::string text;
        while (!queue_.empty() && text.size() < kWriteBytes) {
            text += queue_.front();
            text += '\n';
            queue_.pop_front();
        }
        if (queue_.empty() && dropped_ > 0) {
            text += "korvala-service: " + std::to_string(dropped_) +
                    " log lines were dropped: standard error did not take them in time\n";
            dropped_ = 0;
        }
        writing_ = true;
        lock.unlock();
        WriteAll(descriptor_, text);  // a failed write of the log has nowhere to be reported
        lock.lock();
        writing_ = false;
        written_.notify_all();
    }
}

void Log(std::string line)
{
    ServiceLog().Write(std::move(line));
}

void LogService(const std::string& message)
{
    Log("korvala-service: " + message);
}

void FlushLog(std::chrono::milliseconds patience)
{
    ServiceLog().Flush(patience);
}

size_t LogLinesDropped()
{
    return ServiceLog().DroppedInAll();
}

std::string Printable(std::string_view text, size_t maxLength)
{
    std::string shown(text.substr(0, maxLength));
    for (char& c : shown) {
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F)
            c = '?';
    }
    return shown;
}
