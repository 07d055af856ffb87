// A stop request that long waits inside request handlers can observe.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace seo::service {

class StopSignal {
public:
    void Request() {
        {
            std::lock_guard lock(mutex_);
            requested_ = true;
        }
        changed_.notify_all();
    }

    // Waits for the given time or a stop request; true when a stop was requested.
    template <class Rep, class Period>
    bool WaitFor(std::chrono::duration<Rep, Period> duration) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, duration, [this] { return requested_; });
    }

    void WaitUntilRequested() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return requested_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool requested_ = false;
};

}  // namespace seo::service
