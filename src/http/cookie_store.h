#pragma once
// The process-wide libcurl share: the cookie store every request without its own cookies uses,
// plus the DNS cache and TLS sessions. Created on first use, from any thread; never released,
// since detached workers may still be using it while the process ends.
#include <curl/curl.h>

namespace seo {

// The share handle, with libcurl's global initialisation done first. Null if libcurl could not
// be initialised.
CURLSH* SharedCurl();

// Forgets every stored cookie.
void ClearSharedCookies();

}  // namespace seo
