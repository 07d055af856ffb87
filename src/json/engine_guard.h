#pragma once
// The limits an engine instance enforces from inside: its memory, the time of the call in
// progress and the native stack of the thread that runs it. Used by script_engine.cpp and
// by the engine's configuration hooks; nothing else includes it.
#include <chrono>
#include <cstddef>

namespace seo::detail {

struct EngineGuard {
    std::size_t memoryInUse = 0;
    std::size_t memoryLimit = 0;  // 0: no cap (while the heap is being created)

    bool deadlineSet = false;
    bool expired = false;  // stays set until the deadline is cleared
    // A hook has thrown for the deadline. While the engine unwinds, small allocations (its
    // error objects) are let through: each refusal costs it several full collections, which
    // on a deep stack adds up to minutes. Large ones, as a native loop builds its result,
    // are still refused.
    bool stopReported = false;
    std::chrono::steady_clock::time_point deadline{};
    unsigned clockCountdown = 0;

    // What stopped the call in progress; cleared when the next call is armed.
    bool timeLimitHit = false;
    bool memoryLimitHit = false;
    bool stackLimitHit = false;

    void Arm(std::chrono::milliseconds limit);
    void Disarm();

    // Reads the clock every time: the engine's own check already runs seldom.
    bool DeadlinePassed();
    // Reads the clock on every few calls only, for hooks that run often.
    bool DeadlinePassedSometimes();
    // Whether an allocation of this size is refused for the deadline.
    bool RefuseForDeadline(std::size_t size);
};

// Makes a guard reachable from hooks that get no user data (the native check) while an
// engine runs a call on this thread.
class ActiveGuardScope {
public:
    explicit ActiveGuardScope(EngineGuard& guard);
    ~ActiveGuardScope();
    ActiveGuardScope(const ActiveGuardScope&) = delete;
    ActiveGuardScope& operator=(const ActiveGuardScope&) = delete;

private:
    EngineGuard* previous_;
};

void* GuardedAlloc(void* udata, std::size_t size);
void* GuardedRealloc(void* udata, void* block, std::size_t size);
void GuardedFree(void* udata, void* block);

// Bytes of native stack the engine leaves untouched below its deepest check.
std::size_t NativeStackReserve();

}  // namespace seo::detail
