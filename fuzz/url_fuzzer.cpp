// URL decomposition over arbitrary URLs and markers: no reads out of bounds, and results that
// hold together (a host is lower case and part of the URL, a path is a tail of it).
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>

#include "http/url.h"
#include "text/text_ops.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const bool mainDomainOnly = in.ConsumeBool();
    const bool keepPort = in.ConsumeBool();
    const bool ignoreCase = in.ConsumeBool();
    const int levels = in.ConsumeIntegralInRange<int>(-2, 6);
    const int start = in.ConsumeIntegralInRange<int>(-2, 80);
    const seo::Text left = in.ConsumeRandomLengthString(6);
    const seo::Text right = in.ConsumeRandomLengthString(6);
    const seo::Text url = in.ConsumeRemainingBytesAsString();

    const seo::Text host = seo::UrlHost(url);
    Check(seo::LowerCase(host) == host);
    Check(seo::LowerCase(url).find(host) != seo::Text::npos);
    (void)seo::UrlHost(url, mainDomainOnly, keepPort, levels);
    (void)seo::UrlHost(url, mainDomainOnly, keepPort);

    const std::int32_t port = seo::UrlPort(url);
    (void)port;

    const seo::Text path = seo::UrlPath(url);
    Check(!path.empty() && path[0] == '/');
    Check(path == "/" || (url.size() >= path.size() && url.compare(url.size() - path.size(), path.size(), path) == 0));

    const seo::Text between = seo::TextBetween(url, left, right, start, ignoreCase);
    if (!ignoreCase) Check(between.empty() || url.find(between) != seo::Text::npos);
    else Check(between.size() <= url.size());
    return 0;
}
