#include "generation/thread_start.h"

#include <algorithm>
#include <cstdint>
#include <memory>

#include <pthread.h>
#include <sys/mman.h>
#include <unistd.h>

namespace seo {
namespace {

struct ThreadStart {
    std::function<void()> routine;
};

// The C library keeps the stacks of ended threads for the next ones, with every page a worker
// once touched (a deep answer touches a lot) still resident. A finished worker gives those
// pages back; below its own frame nothing is alive any more.
void ReleaseTouchedStack() {
    pthread_attr_t attributes;
    if (::pthread_getattr_np(::pthread_self(), &attributes) != 0) return;
    void* low = nullptr;
    std::size_t size = 0;
    const int got = ::pthread_attr_getstack(&attributes, &low, &size);
    ::pthread_attr_destroy(&attributes);
    if (got != 0) return;
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    char here = 0;
    // A margin below this frame for the calls still to come, madvise's own among them.
    constexpr std::uintptr_t kMargin = 64 * 1024;
    const auto frame = reinterpret_cast<std::uintptr_t>(&here);
    const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(low) + page - 1) & ~(page - 1);
    if (frame < begin + kMargin + page) return;
    const std::uintptr_t end = (frame - kMargin) & ~(page - 1);
    ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_DONTNEED);
}

void* RunThread(void* argument) {
    {
        std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(argument));
        start->routine();
    }
    ReleaseTouchedStack();
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
