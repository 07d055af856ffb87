#pragma once
// The pure text work of a request: verb, agent, header text, proxy, and the mapping of the
// header text onto libcurl's header list. Kept apart from the transfer so it can be tested alone.
#include <optional>
#include <string>
#include <vector>

#include "text/types.h"

namespace seo {

inline constexpr const char* kDefaultAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

// Methods outside 0..2 are GET.
int NormalizeMethod(int method);
const char* VerbFor(int normalizedMethod);

// Whether the first 8 bytes, ASCII letters folded, are "https://".
bool IsHttpsUrl(const Text& url);

// The User-Agent value: from a "User-Agent:" line of the header text, else the default.
Text ChooseAgent(const Text& requestHeaders);

// The header text as it goes out: the caller's lines, then each default line the text does not
// already contain, then the caller's cookies.
Text BuildHeaderText(const Text& url, const Text& requestHeaders,
                     const std::optional<Text>& requestCookies);

// libcurl header-list entries that make libcurl send every non-empty line of `headerText`
// unchanged and in order, and none of its own Accept, Content-Type, Expect or
// Proxy-Connection lines. `dropCredentials` leaves out Cookie and Authorization lines (a
// redirect to another origin).
std::vector<std::string> CurlHeaderEntries(const Text& headerText, bool dropCredentials = false);

// The proxy string as the original platform takes it: http URLs get "http=" in front, so the
// proxy serves http only.
Text PlatformProxyString(const Text& url, const Text& proxy);

// The libcurl proxy URL that `proxyString` names for a request of the given scheme, or empty
// for a direct connection.
Text CurlProxyFor(const Text& proxyString, bool https);

}  // namespace seo
