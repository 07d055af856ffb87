#include "app/pumping_wait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <limits>
#include <thread>

namespace seo {

std::int64_t PumpingWaitDueTime(std::optional<std::int32_t> amount, std::int32_t unit) {
    constexpr double kForever = 18'000'000.0;
    double count = 0;
    double factor = 1;
    if (!amount && unit == 0) {
        count = kForever;
        factor = kForever;
    } else {
        count = amount.value_or(0);
        switch (unit) {
            case 0: factor = 1; break;
            case 1: factor = 1000; break;
            case 2: factor = 60'000; break;
            case 3: factor = 3'600'000; break;
            default: factor = unit; break;
        }
    }
    const double due = count * factor * -10'000.0;
    // The largest products do not fit a 64-bit count; saturate instead of overflowing.
    constexpr double kLimit = 9223372036854775808.0;  // 2^63
    if (due <= -kLimit) return std::numeric_limits<std::int64_t>::min();
    if (due >= kLimit) return std::numeric_limits<std::int64_t>::max();
    return static_cast<std::int64_t>(due);  // truncates toward zero
}

bool PumpingWait(std::optional<std::int32_t> amount, std::int32_t unit) {
    using Clock = std::chrono::steady_clock;
    const std::int64_t due = PumpingWaitDueTime(amount, unit);
    if (due >= 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return true;
    }
    // Counted in 100 ns steps from the start, so even the endless wait cannot overflow.
    const std::int64_t total =
        due == std::numeric_limits<std::int64_t>::min() ? std::numeric_limits<std::int64_t>::max() : -due;
    const Clock::time_point start = Clock::now();
    // The timer only wakes the dispatcher; its expiry is what ends a quiet wait.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    constexpr std::int64_t kLongestStepMs = 24 * 60 * 60 * 1000;
    for (;;) {
        const std::int64_t elapsed =
            std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count() / 100;
        if (elapsed >= total) break;
        const std::int64_t remainingMs = (total - elapsed) / 10'000 + 1;
        const auto step = static_cast<int>(std::min(remainingMs, kLongestStepMs));
        if (!QCoreApplication::instance()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(step));
            continue;
        }
        wake.start(step);
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

}  // namespace seo
