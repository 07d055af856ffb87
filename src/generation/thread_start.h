#pragma once
// Worker threads for the flows.
#include <cstddef>
#include <functional>

namespace seo {

// The JSON engine that workers run needs deep stacks.
inline constexpr std::size_t kWorkerStackBytes = 2 * 1024 * 1024;

// Starts the routine on a detached thread with at least kWorkerStackBytes of stack.
// False when no thread could be started.
bool StartDetachedThread(std::function<void()> routine);

}  // namespace seo
