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

// A handle with every option at its default (its connections, DNS and TLS caches kept).
// Handles that had the cookie engine on are kept apart from those that never had it, so a
// request that brings its own cookies never gets a handle that would add stored ones.
// Null when libcurl cannot give one.
PooledEasyHandle AcquireEasyHandle(bool cookieEngine);

}  // namespace seo
