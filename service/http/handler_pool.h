#pragma once
// Threads that take connections with a complete request from a queue and handle them, one
// each. The queue needs no bound of its own: a connection has at most one request in it, and
// the server limits the connections.
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

struct Connection;

class HandlerPool {
public:
    HandlerPool(unsigned threads, std::function<void(Connection&)> handle);
    ~HandlerPool();  // handles what is queued, then ends the threads
    HandlerPool(const HandlerPool&) = delete;
    HandlerPool& operator=(const HandlerPool&) = delete;

    void Submit(Connection& connection);

private:
    void Work();

    std::function<void(Connection&)> handle_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Connection*> queue_;
    bool ending_ = false;
    std::vector<std::thread> threads_;
};
