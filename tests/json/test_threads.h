#pragma once
// Running test bodies on threads of a chosen stack size, under a loose watchdog.
#include <cstddef>
#include <functional>

namespace seo::testing {

// Runs body on a new thread with exactly stackBytes of stack and waits for it.
void RunWithStack(std::size_t stackBytes, const std::function<void()>& body);

// Ends the test program with a failure if it is still alive after `seconds`, so that a limit
// that fails to stop an answer fails the run instead of hanging it.
class Watchdog {
public:
    explicit Watchdog(int seconds = 60);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    struct State;
    State* state_;
};

}  // namespace seo::testing
