#pragma once
// Idle libcurl easy handles kept for the next request, so that a request to a server that
// keeps its connections open reuses one instead of connecting again. Each handle is used by
// one request at a time, which keeps connection reuse safe from many threads.
#include <curl/curl.h>

#include <memory>

namespace seo {

struct PooledEasyHandleDeleter {
    bool cookieEngine = false;
    void operator()(CURL* easy) const;
};
using PooledEasyHandle = std::unique_ptr<CURL, PooledEasyHandleDeleter>;

// A handle for one request, with its connections, DNS and TLS caches kept from earlier ones.
// It is not reset: the request sets every option it relies on, each time. Handles whose cookie
// engine is on are kept apart from those that never had it, so a request that brings its own
// cookies never gets a handle that would add stored ones; `fresh` tells that the handle is new,
// so its cookie engine is still to be switched on (once: each switch adds to the handle's list).
// Null when libcurl cannot give one.
PooledEasyHandle AcquireEasyHandle(bool cookieEngine, bool& fresh);

}  // namespace seo
