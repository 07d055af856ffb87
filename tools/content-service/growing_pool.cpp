#include "growing_pool.h"

#include <system_error>
#include <utility>

namespace seo::service {

GrowingPool::GrowingPool(std::size_t maxThreads) : maxThreads_(maxThreads == 0 ? 1 : maxThreads) {}

GrowingPool::~GrowingPool() { shutdown(); }

void GrowingPool::enqueue(std::function<void()> job) {
    std::unique_lock lock(mutex_);
    if (stopping_) {
        // Nobody is left to take it; the job still closes its connection.
        lock.unlock();
        job();
        return;
    }
    jobs_.push_back(std::move(job));
    if (idle_ < jobs_.size() && threads_.size() < maxThreads_) {
        try {
            threads_.emplace_back(&GrowingPool::Work, this);
        } catch (const std::system_error&) {
            // Out of threads: the job waits for a worker that exists.
            if (threads_.empty()) {
                auto only = std::move(jobs_.back());
                jobs_.pop_back();
                lock.unlock();
                only();
                return;
            }
        }
    }
    lock.unlock();
    wake_.notify_one();
}

void GrowingPool::shutdown() {
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        threads.swap(threads_);
    }
    wake_.notify_all();
    for (auto& t : threads) t.join();
}

std::size_t GrowingPool::ThreadCount() {
    std::lock_guard lock(mutex_);
    return threads_.size();
}

void GrowingPool::Work() {
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            ++idle_;
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            --idle_;
            if (jobs_.empty()) return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}

}  // namespace seo::service
