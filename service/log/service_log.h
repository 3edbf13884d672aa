#pragma once
// The service's log on standard error. Callers queue a line and return at once; a thread of the
// log writes the lines, so that a reader of standard error that stalls (a full pipe, a stopped
// terminal) never holds the network loop or a request. The queue is bounded: a line that does
// not fit is dropped, and the number of dropped lines is logged once the writer catches up.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

class LogWriter {
public:
    // Writes to descriptor, which stays open; at most capacity lines wait.
    LogWriter(int descriptor, size_t capacity);
    ~LogWriter();  // writes what is queued before it returns
    LogWriter(const LogWriter&) = delete;
    LogWriter& operator=(const LogWriter&) = delete;

    // Queues one line, given without its line end.
    void Write(std::string line);
    // Waits until every line queued so far is written; false when patience ran out first.
    bool Flush(std::chrono::milliseconds patience);
    // The lines dropped since the writer began.
    size_t DroppedInAll();

private:
    void Run();

    const int descriptor_;
    const size_t capacity_;
    std::mutex mutex_;
    std::condition_variable queued_;   // to the writer: lines, or the end
    std::condition_variable written_;  // to Flush
    std::deque<std::string> queue_;
    size_t dropped_ = 0;  // since the last report of dropped lines
    size_t droppedInAll_ = 0;
    bool writing_ = false;  // the writer has lines that it took from the queue
    bool ending_ = false;
    std::thread writer_;
};

// A line of the service's log, to standard error through a LogWriter that lives as long as the
// process: it is never destroyed, so that a program that ends while standard error stalls is not
// held by lines that cannot be written.
void Log(std::string line);
// A line of the service's own (not of a request): "korvala-service: " and the message.
void LogService(const std::string& message);
// Before the program ends: waits at most patience until the lines logged so far are written.
void FlushLog(std::chrono::milliseconds patience);
// The lines of the service's log dropped so far.
size_t LogLinesDropped();

// A text from a client for a log line: at most maxLength bytes, each byte that is not printable
// ASCII shown as "?".
std::string Printable(std::string_view text, size_t maxLength);
