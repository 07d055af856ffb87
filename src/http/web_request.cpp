#include "http/web_request.h"

#include <curl/curl.h>

#include <memory>
#include <new>
#include <string_view>

#include "http/cookie_store.h"
#include "http/easy_handle_pool.h"
#include "http/request_text.h"
#include "http/response_headers.h"
#include "http/url.h"
#include "text/fatal_error.h"
#include "text/text_ops.h"

namespace seo {
namespace {

constexpr int kMaxRedirects = 50;
constexpr long kConnectTimeoutSeconds = 60;
constexpr long kStallSeconds = 30;  // no byte received for this long ends the transfer

using HeaderList = std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)>;

// What one transfer (one hop of a redirect chain) delivered.
struct Transfer {
    bool headOnly = false;
    Bytes body;
    Text block;               // the header block being received, CR LF line ends
    bool inBlock = false;
    bool finalBlock = false;  // a complete non-informational block has arrived
    int status = 0;
    std::size_t failedAllocation = 0;
    bool outOfMemory = false;
};

int StatusOf(std::string_view statusLine) {
    const std::size_t space = statusLine.find(' ');
    if (space == std::string_view::npos) return 0;
    return ToInteger(Text(statusLine.substr(space + 1)));
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const size_t n = size * count;
    if (t->finalBlock) return n;  // trailers after a chunked body belong to no block
    try {
        std::string_view line(data, n);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
        if (!t->inBlock) {
            // A new block starts with its status line: earlier (informational) blocks are dropped.
            t->block.clear();
            t->inBlock = true;
            t->status = StatusOf(line);
        }
        t->block.append(line);
        t->block += "\r\n";
        if (line.empty()) {
            t->inBlock = false;
            if (t->status < 100 || t->status >= 200) {
                t->finalBlock = true;
                // A HEAD answer announces a body that never comes.
                if (t->headOnly) return 0;
            }
        }
        return n;
    } catch (const std::bad_alloc&) {
        t->outOfMemory = true;
        t->failedAllocation = t->block.size() + n;
        return 0;
    }
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const size_t n = size * count;
    try {
        t->body.insert(t->body.end(), reinterpret_cast<const std::uint8_t*>(data),
                       reinterpret_cast<const std::uint8_t*>(data) + n);
        return n;
    } catch (const std::bad_alloc&) {
        t->outOfMemory = true;
        t->failedAllocation = t->body.size() + n;
        return 0;
    }
}

// A host libcurl can be handed without reading anything else into it. Anything else (a query
// that ran into the host, stray bytes) could not be resolved anyway.
bool IsPlainHost(const Text& host) {
    if (host.empty()) return false;
    for (const char c : host) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                        c == '-' || c == '.' || c == '_';
        if (!ok) return false;
    }
    return true;
}

bool IsFollowedRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

struct Origin {
    Text scheme;
    Text host;
    Text port;
    bool operator==(const Origin&) const = default;
};

std::optional<Origin> OriginOf(const char* absoluteUrl) {
    std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> u(curl_url(), curl_url_cleanup);
    if (!u || curl_url_set(u.get(), CURLUPART_URL, absoluteUrl, 0) != CURLUE_OK) return std::nullopt;
    Origin origin;
    for (auto [part, out] : {std::pair{CURLUPART_SCHEME, &origin.scheme},
                             std::pair{CURLUPART_HOST, &origin.host},
                             std::pair{CURLUPART_PORT, &origin.port}}) {
        char* value = nullptr;
        if (curl_url_get(u.get(), part, &value, CURLU_DEFAULT_PORT) != CURLUE_OK) return std::nullopt;
        *out = LowerCase(value);
        curl_free(value);
    }
    return origin;
}

HeaderList MakeHeaderList(const Text& headerText, bool dropCredentials) {
    HeaderList list(nullptr, curl_slist_free_all);
    for (const std::string& entry : CurlHeaderEntries(headerText, dropCredentials)) {
        curl_slist* grown = curl_slist_append(list.get(), entry.c_str());
        if (!grown) return HeaderList(nullptr, curl_slist_free_all);
        list.release();
        list.reset(grown);
    }
    return list;
}

void SetMethod(CURL* easy, int method, const Bytes& body) {
    if (method == 0) {
        curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, nullptr);
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
        return;
    }
    static const char kNoBytes[] = "";
    curl_easy_setopt(easy, CURLOPT_POST, 1L);
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS,
                     body.empty() ? kNoBytes : reinterpret_cast<const char*>(body.data()));
    curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, method == 2 ? "HEAD" : nullptr);
}

Bytes Run(const Text& url, int method, const Text& bodyText,
          const std::optional<Text>& requestCookies, Text* responseCookies,
          const Text& requestHeaders, Text* responseHeaders, bool noRedirect,
          const Bytes& bodyBytes, const Text& proxy) {
    const int verb = NormalizeMethod(method);
    const bool https = IsHttpsUrl(url);
    const Text headerText = BuildHeaderText(url, requestHeaders, requestCookies);
    const Text proxyString = PlatformProxyString(url, proxy);
    Bytes body;
    if (verb != 0) body = bodyBytes.empty() ? TextToBytes(bodyText) : bodyBytes;

    CURLSH* share = SharedCurl();
    bool freshHandle = false;
    PooledEasyHandle easy = share ? AcquireEasyHandle(!requestCookies, freshHandle) : PooledEasyHandle();
    HeaderList sameOriginHeaders = MakeHeaderList(headerText, false);
    if (!easy || !sameOriginHeaders) return Bytes();  // nothing set up: out-parameters untouched

    // From here on every failure reads as "no answer": 5000 spaces and no cookies.
    auto failed = [&] {
        if (responseHeaders) *responseHeaders = FinishResponseHeaders(nullptr);
        if (responseCookies) responseCookies->clear();
        return Bytes();
    };

    const Text host = UrlHost(url);
    std::int32_t port = UrlPort(url);
    if (port == 0) port = https ? 443 : 80;  // the platform's "default port"
    if (!IsPlainHost(host) || port < 1 || port > 65535) return failed();
    const Text scheme = https ? "https" : "http";
    const Origin origin{scheme, host, NumberToText(port)};
    const Text agent = ChooseAgent(requestHeaders);

    CURL* e = easy.get();
    Transfer t;
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_SHARE, share);
    // The shared store is only read and written by handles whose cookie engine is on.
    if (!requestCookies && freshHandle) curl_easy_setopt(e, CURLOPT_COOKIEFILE, "");
    curl_easy_setopt(e, CURLOPT_USERAGENT, agent.c_str());
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);  // followed here, see below
    curl_easy_setopt(e, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(e, CURLOPT_HTTP_CONTENT_DECODING, 0L);
    curl_easy_setopt(e, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(e, CURLOPT_NOPROXY, "");  // no environment variable decides the route
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, &t);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, sameOriginHeaders.get());

    // The first request carries the path exactly as written; libcurl only learns the origin.
    // Redirects are followed here because a fixed request target would stick to every hop, and
    // a HEAD answer has to be cut off after its headers.
    Text hopUrl = scheme + "://" + host + ":" + NumberToText(port) + "/";
    bool hopHttps = https;
    Text curlProxy = CurlProxyFor(proxyString, hopHttps);
    const Text path = UrlPath(url);
    // Through a plain http proxy the request line names the whole URL.
    const Text target = (!curlProxy.empty() && !https)
                            ? scheme + "://" + host + (port == 80 ? Text() : ":" + NumberToText(port)) + path
                            : path;
    int hopMethod = verb;
    HeaderList crossOriginHeaders(nullptr, curl_slist_free_all);
    for (int redirects = 0;; ++redirects) {
        t = Transfer{};
        t.headOnly = hopMethod == 2;
        curl_easy_setopt(e, CURLOPT_URL, hopUrl.c_str());
        curl_easy_setopt(e, CURLOPT_REQUEST_TARGET, redirects == 0 ? target.c_str() : nullptr);
        curl_easy_setopt(e, CURLOPT_PROXY, curlProxy.c_str());
        SetMethod(e, hopMethod, body);
        curl_easy_perform(e);  // judged by what arrived, as the platform's reads are
        if (t.outOfMemory) RaiseFatalError(OutOfMemoryError(t.failedAllocation));
        if (!t.finalBlock) return failed();
        if (noRedirect || !IsFollowedRedirect(t.status)) break;

        char* location = nullptr;
        if (curl_easy_getinfo(e, CURLINFO_REDIRECT_URL, &location) != CURLE_OK || !location) break;
        const std::optional<Origin> next = OriginOf(location);
        if (!next || (next->scheme != "http" && next->scheme != "https")) break;
        if (redirects == kMaxRedirects) return failed();

        hopUrl = location;
        hopHttps = next->scheme == "https";
        curlProxy = CurlProxyFor(proxyString, hopHttps);
        if (*next == origin) {
            curl_easy_setopt(e, CURLOPT_HTTPHEADER, sameOriginHeaders.get());
        } else {
            // The caller's own cookies and credentials stay with the host they were meant for.
            if (!crossOriginHeaders) crossOriginHeaders = MakeHeaderList(headerText, true);
            if (!crossOriginHeaders) return failed();
            curl_easy_setopt(e, CURLOPT_HTTPHEADER, crossOriginHeaders.get());
        }
        // As browsers do: 303 turns everything but HEAD into GET, 301 and 302 turn POST into GET.
        if ((t.status == 303 && hopMethod != 2) || ((t.status == 301 || t.status == 302) && hopMethod == 1)) {
            hopMethod = 0;
            body.clear();
        }
    }

    const Text headers = FinishResponseHeaders(&t.block);
    if (responseCookies) *responseCookies = CollectResponseCookies(headers);
    if (responseHeaders) *responseHeaders = headers;
    return std::move(t.body);
}

}  // namespace

Bytes WebRequest(const Text& url, int method, const Text& bodyText,
                 const std::optional<Text>& requestCookies, Text* responseCookies,
                 const Text& requestHeaders, Text* responseHeaders, bool noRedirect,
                 const Bytes& bodyBytes, const Text& proxy) {
    try {
        return Run(url, method, bodyText, requestCookies, responseCookies, requestHeaders,
                   responseHeaders, noRedirect, bodyBytes, proxy);
    } catch (const std::bad_alloc&) {
        RaiseFatalError(OutOfMemoryError(0));
    }
}

}  // namespace seo
