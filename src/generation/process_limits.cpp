#include "generation/process_limits.h"

#include <malloc.h>
#include <sys/resource.h>

namespace seo {

unsigned long RaiseOpenFileLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return 0;
    if (limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
        ::getrlimit(RLIMIT_NOFILE, &limit);
    }
    return static_cast<unsigned long>(limit.rlim_cur);
}

void ReturnLargeBuffersToTheSystem() {
    // The allocator's starting values, kept: setting them turns its own raising of both off.
    ::mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    ::mallopt(M_TRIM_THRESHOLD, 128 * 1024);
    // A batch starts a thread per file; uncapped, the allocator gives them up to eight arenas a
    // core, each holding on to its own freed memory. Uploads wait on the network, not on malloc.
    ::mallopt(M_ARENA_MAX, 4);
}

void PrepareProcess() {
    RaiseOpenFileLimit();
    ReturnLargeBuffersToTheSystem();
}

}  // namespace seo
