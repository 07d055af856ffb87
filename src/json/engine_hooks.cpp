// The hooks the engine's configuration names (allocator, execution-time check, native check)
// and the guard they consult. They run inside the engine, so none of them may throw.
#include <pthread.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "duktape.h"
#include "json/engine_guard.h"

namespace seo::detail {
namespace {

// Every block carries its size in front, so the heap's total is known without asking malloc.
constexpr std::size_t kHeader = alignof(std::max_align_t) > sizeof(std::size_t)
                                    ? alignof(std::max_align_t)
                                    : sizeof(std::size_t);

// The allocator and the native check run far more often than the clock needs reading.
constexpr unsigned kClockEvery = 32;

// Allocations from this size on are refused after the deadline even while the engine unwinds.
constexpr std::size_t kLargeBlock = 64 * 1024;

thread_local EngineGuard* t_activeGuard = nullptr;
thread_local std::uintptr_t t_stackFloor = 0;  // 0: not yet known on this thread

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr std::size_t kStackReserve = 768 * 1024;  // instrumented frames are several times larger
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr std::size_t kStackReserve = 768 * 1024;
#else
constexpr std::size_t kStackReserve = 256 * 1024;
#endif
#else
constexpr std::size_t kStackReserve = 256 * 1024;
#endif

std::uintptr_t StackFloor() {
    if (t_stackFloor != 0) return t_stackFloor;
    std::uintptr_t floor = 1;  // unknown stack: no check beyond the engine's own depth limits
    pthread_attr_t attributes;
    if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
        void* low = nullptr;
        std::size_t size = 0;
        if (pthread_attr_getstack(&attributes, &low, &size) == 0 && low != nullptr) {
            const auto lowest = reinterpret_cast<std::uintptr_t>(low);
            // A stack smaller than the reserve still gets half of itself to run in.
            floor = lowest + (size > 2 * kStackReserve ? kStackReserve : size / 2);
        }
        pthread_attr_destroy(&attributes);
    }
    t_stackFloor = floor;
    return floor;
}

bool StackNearlyExhausted() {
    // The frame address, not a local's: under the address sanitizer locals may live elsewhere.
    const auto here = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
    return here < StackFloor();
}

std::size_t& BlockSize(void* block) { return *static_cast<std::size_t*>(block); }

}  // namespace

void EngineGuard::Arm(std::chrono::milliseconds limit) {
    deadline = std::chrono::steady_clock::now() + limit;
    deadlineSet = true;
    expired = false;
    stopReported = false;
    clockCountdown = kClockEvery;
    timeLimitHit = memoryLimitHit = stackLimitHit = false;
}

void EngineGuard::Disarm() {
    deadlineSet = false;
    expired = false;
    stopReported = false;
}

bool EngineGuard::DeadlinePassed() {
    if (!deadlineSet) return false;
    if (!expired && std::chrono::steady_clock::now() >= deadline) expired = true;
    if (expired) timeLimitHit = true;
    return expired;
}

bool EngineGuard::DeadlinePassedSometimes() {
    if (!deadlineSet) return false;
    if (expired) return DeadlinePassed();
    if (--clockCountdown != 0) return false;
    clockCountdown = kClockEvery;
    return DeadlinePassed();
}

bool EngineGuard::RefuseForDeadline(std::size_t size) {
    if (!DeadlinePassedSometimes()) return false;
    return !stopReported || size >= kLargeBlock;
}

ActiveGuardScope::ActiveGuardScope(EngineGuard& guard) : previous_(t_activeGuard) {
    t_activeGuard = &guard;
}

ActiveGuardScope::~ActiveGuardScope() { t_activeGuard = previous_; }

void* GuardedAlloc(void* udata, std::size_t size) {
    auto* guard = static_cast<EngineGuard*>(udata);
    if (size > SIZE_MAX - kHeader) return nullptr;
    if (guard->memoryLimit != 0 && size > guard->memoryLimit - std::min(guard->memoryLimit, guard->memoryInUse)) {
        guard->memoryLimitHit = true;
        return nullptr;
    }
    // Built-ins that loop in C (join, repeat) never reach the engine's time check, but
    // they allocate as they go.
    if (guard->RefuseForDeadline(size)) return nullptr;
    void* block = std::malloc(kHeader + size);
    if (block == nullptr) return nullptr;
    BlockSize(block) = size;
    guard->memoryInUse += size;
    return static_cast<char*>(block) + kHeader;
}

void GuardedFree(void* udata, void* pointer) {
    if (pointer == nullptr) return;
    auto* guard = static_cast<EngineGuard*>(udata);
    void* block = static_cast<char*>(pointer) - kHeader;
    guard->memoryInUse -= BlockSize(block);
    std::free(block);
}

void* GuardedRealloc(void* udata, void* pointer, std::size_t size) {
    if (pointer == nullptr) return GuardedAlloc(udata, size);
    if (size == 0) {
        GuardedFree(udata, pointer);
        return nullptr;
    }
    auto* guard = static_cast<EngineGuard*>(udata);
    void* block = static_cast<char*>(pointer) - kHeader;
    const std::size_t old = BlockSize(block);
    if (size > SIZE_MAX - kHeader) return nullptr;
    if (size > old) {
        const std::size_t growth = size - old;
        if (guard->memoryLimit != 0 &&
            growth > guard->memoryLimit - std::min(guard->memoryLimit, guard->memoryInUse)) {
            guard->memoryLimitHit = true;
            return nullptr;
        }
        if (guard->RefuseForDeadline(size)) return nullptr;
    }
    void* moved = std::realloc(block, kHeader + size);
    if (moved == nullptr) return nullptr;
    BlockSize(moved) = size;
    guard->memoryInUse = guard->memoryInUse - old + size;
    return static_cast<char*>(moved) + kHeader;
}

std::size_t NativeStackReserve() { return kStackReserve; }

}  // namespace seo::detail

extern "C" duk_bool_t seo_duk_exec_timeout_check(void* udata) {
    auto* guard = static_cast<seo::detail::EngineGuard*>(udata);
    if (!guard->DeadlinePassed()) return 0;
    guard->stopReported = true;
    return 1;
}

// Runs on every call, compiler and parser recursion and regular-expression backtracking
// step: the one place where built-ins that never reach the execution-time check can be
// stopped, and where deep nesting is stopped before the thread's stack runs out.
extern "C" duk_bool_t seo_duk_native_check(void) {
    seo::detail::EngineGuard* guard = seo::detail::t_activeGuard;
    if (seo::detail::StackNearlyExhausted()) {
        if (guard != nullptr) guard->stackLimitHit = true;
        return 1;
    }
    if (guard == nullptr || !guard->DeadlinePassedSometimes()) return 0;
    guard->stopReported = true;
    return 1;
}
