// A worker pool that starts threads as connections need them, up to a limit, so
// that a thousand open connections each have a worker without a thousand idle
// threads at start-up.
#pragma once

#include <httplib.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace seo::service {

class GrowingPool : public httplib::TaskQueue {
public:
    explicit GrowingPool(std::size_t maxThreads);
    ~GrowingPool() override;

    void enqueue(std::function<void()> job) override;
    void shutdown() override;

    std::size_t ThreadCount();

private:
    void Work();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    std::vector<std::thread> threads_;
    std::size_t idle_ = 0;
    std::size_t maxThreads_;
    bool stopping_ = false;
};

}  // namespace seo::service
