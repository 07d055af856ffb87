#include "generation/thread_start.h"

#include <algorithm>
#include <memory>

#include <pthread.h>

namespace seo {
namespace {

struct ThreadStart {
    std::function<void()> routine;
};

void* RunThread(void* argument) {
    std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(argument));
    start->routine();
    return nullptr;
}

}  // namespace

bool StartDetachedThread(std::function<void()> routine) {
    pthread_attr_t attributes;
    if (::pthread_attr_init(&attributes) != 0) return false;
    std::size_t stack = 0;
    ::pthread_attr_getstacksize(&attributes, &stack);
    ::pthread_attr_setstacksize(&attributes, std::max(stack, kWorkerStackBytes));
    ::pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    auto start = std::make_unique<ThreadStart>(ThreadStart{std::move(routine)});
    pthread_t thread;
    const int result = ::pthread_create(&thread, &attributes, &RunThread, start.get());
    ::pthread_attr_destroy(&attributes);
    if (result != 0) return false;
    start.release();  // the thread owns it now
    return true;
}

}  // namespace seo
