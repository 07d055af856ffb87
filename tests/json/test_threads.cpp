#include "test_threads.h"

#include <pthread.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace seo::testing {
namespace {

void* RunBody(void* argument) {
    (*static_cast<const std::function<void()>*>(argument))();
    return nullptr;
}

}  // namespace

void RunWithStack(std::size_t stackBytes, const std::function<void()>& body) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, stackBytes);
    pthread_t thread;
    const int created = pthread_create(&thread, &attributes, RunBody, const_cast<std::function<void()>*>(&body));
    pthread_attr_destroy(&attributes);
    if (created != 0) throw std::runtime_error("cannot start a thread");
    pthread_join(thread, nullptr);
}

struct Watchdog::State {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::thread thread;
};

Watchdog::Watchdog(int seconds) : state_(new State) {
    state_->thread = std::thread([state = state_, seconds] {
        std::unique_lock lock(state->mutex);
        if (!state->done.wait_for(lock, std::chrono::seconds(seconds), [state] { return state->finished; })) {
            std::fprintf(stderr, "watchdog: the test did not finish within %d s\n", seconds);
            std::_Exit(EXIT_FAILURE);
        }
    });
}

Watchdog::~Watchdog() {
    {
        std::lock_guard lock(state_->mutex);
        state_->finished = true;
    }
    state_->done.notify_one();
    state_->thread.join();
    delete state_;
}

}  // namespace seo::testing
