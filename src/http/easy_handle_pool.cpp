#include "http/easy_handle_pool.h"

#include <mutex>
#include <vector>

namespace seo {
namespace {

constexpr std::size_t kMostIdleHandles = 32;

class IdleHandles {
public:
    CURL* Take() {
        std::lock_guard lock(mutex_);
        if (handles_.empty()) return nullptr;
        CURL* easy = handles_.back();
        handles_.pop_back();
        return easy;
    }
    void Give(CURL* easy) {
        {
            std::lock_guard lock(mutex_);
            if (handles_.size() < kMostIdleHandles) {
                handles_.push_back(easy);
                return;
            }
        }
        curl_easy_cleanup(easy);
    }

private:
    std::mutex mutex_;
    std::vector<CURL*> handles_;
};

// Never destroyed: detached workers may still return handles while the process ends.
IdleHandles& Pool(bool cookieEngine) {
    static auto* withCookies = new IdleHandles;
    static auto* withoutCookies = new IdleHandles;
    return cookieEngine ? *withCookies : *withoutCookies;
}

}  // namespace

void PooledEasyHandleDeleter::operator()(CURL* easy) const { Pool(cookieEngine).Give(easy); }

PooledEasyHandle AcquireEasyHandle(bool cookieEngine, bool& fresh) {
    CURL* easy = Pool(cookieEngine).Take();
    fresh = easy == nullptr;
    if (fresh) easy = curl_easy_init();
    return PooledEasyHandle(easy, PooledEasyHandleDeleter{cookieEngine});
}

}  // namespace seo
