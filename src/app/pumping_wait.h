#pragma once
// Holding the window's thread for a while without freezing the window.
#include <cstdint>
#include <optional>

namespace seo {

// The due time of a wait in 100-nanosecond intervals: negative counts from now, 0 or more is
// already due. unit 0/1/2/3 is milliseconds/seconds/minutes/hours, any other value the number
// of milliseconds in one unit. amount omitted with unit 0 is the endless wait.
std::int64_t PumpingWaitDueTime(std::optional<std::int32_t> amount, std::int32_t unit);

// Dispatches the thread's events until the due time; always true. A request to quit the
// application does not end the wait: it stays for the main loop, which ends after the caller
// has returned to it.
bool PumpingWait(std::optional<std::int32_t> amount = std::nullopt, std::int32_t unit = 0);

}  // namespace seo
