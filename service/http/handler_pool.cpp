#include "handler_pool.h"

HandlerPool::HandlerPool(unsigned threads, std::function<void(Connection&)> handle) : handle_(std::move(handle))
{
    for (unsigned i = 0; i < threads; ++i)
        threads_.emplace_back([this] { Work(); });
}

HandlerPool::~HandlerPool()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ending_ = true;
    }
    ready_.notify_all();
    for (std::thread& thread : threads_)
        thread.join();
}

void HandlerPool::Submit(Connection& connection)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(&connection);
    }
    ready_.notify_one();
}

void HandlerPool::Work()
{
    for (;;) {
        Connection* connection = nullptr;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            ready_.wait(lock, [this] { return ending_ || !queue_.empty(); });
            if (queue_.empty())
                return;
            connection = queue_.front();
            queue_.pop_front();
        }
        handle_(*connection);
    }
}
