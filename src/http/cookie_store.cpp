#include "http/cookie_store.h"

#include <array>
#include <mutex>

namespace seo {
namespace {

// Connections are not shared: libcurl's shared connection pool is not safe across threads.
struct Share {
    CURLSH* handle = nullptr;
    std::array<std::mutex, CURL_LOCK_DATA_LAST> locks;
};

void Lock(CURL*, curl_lock_data data, curl_lock_access, void* user) {
    static_cast<Share*>(user)->locks[static_cast<std::size_t>(data)].lock();
}

void Unlock(CURL*, curl_lock_data data, void* user) {
    static_cast<Share*>(user)->locks[static_cast<std::size_t>(data)].unlock();
}

Share* CreateShare() {
    auto* share = new Share();
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) return share;
    CURLSH* handle = curl_share_init();
    if (!handle) return share;
    curl_share_setopt(handle, CURLSHOPT_USERDATA, share);
    curl_share_setopt(handle, CURLSHOPT_LOCKFUNC, Lock);
    curl_share_setopt(handle, CURLSHOPT_UNLOCKFUNC, Unlock);
    curl_share_setopt(handle, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    curl_share_setopt(handle, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    curl_share_setopt(handle, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
    share->handle = handle;
    return share;
}

}  // namespace

CURLSH* SharedCurl() {
    static Share* const share = CreateShare();  // thread-safe once-only initialisation
    return share->handle;
}

void ClearSharedCookies() {
    CURLSH* share = SharedCurl();
    if (!share) return;
    CURL* easy = curl_easy_init();
    if (!easy) return;
    curl_easy_setopt(easy, CURLOPT_SHARE, share);
    curl_easy_setopt(easy, CURLOPT_COOKIELIST, "ALL");
    curl_easy_cleanup(easy);
}

}  // namespace seo
