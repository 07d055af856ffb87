// The request routine's header and cookie handling: arbitrary response header blocks through
// the functions that finish them and collect their cookies, and arbitrary caller header texts
// through the ones that build the outgoing header list.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <optional>

#include "http/request_text.h"
#include "http/response_headers.h"
#include "text/text_ops.h"

namespace {

using seo::Text;

void Check(bool condition) {
    if (!condition) std::abort();
}

// The list always ends with the entries that keep the transfer layer's own lines out.
constexpr std::size_t kRemovals = 4;

bool IsCredential(const Text& line) {
    const Text lower = seo::LowerCase(line);
    return lower.rfind("cookie:", 0) == 0 || lower.rfind("authorization:", 0) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const bool withCookies = in.ConsumeBool();
    const bool dropCredentials = in.ConsumeBool();
    const Text cookies = in.ConsumeRandomLengthString(64);
    const Text requestHeaders = in.ConsumeRandomLengthString(512);
    const Text url = in.ConsumeRandomLengthString(64);
    const Text proxy = in.ConsumeRandomLengthString(32);
    const Text block = in.ConsumeRemainingBytesAsString();

    const Text headers = seo::FinishResponseHeaders(&block);
    if (block.size() < seo::kResponseHeaderBuffer) {
        // Only the spelling of "Set-Cookie" changes.
        Check(headers.size() == block.size());
        Check(seo::LowerCase(headers) == seo::LowerCase(block));
    } else {
        Check(headers == Text(seo::kResponseHeaderBuffer, ' '));
    }
    const Text collected = seo::CollectResponseCookies(headers);
    Check(collected.size() <= headers.size());
    if (seo::Find(headers, "set-cookie", 1, true) == -1) Check(collected.empty());
    Check(seo::CollectResponseCookies(seo::FinishResponseHeaders(nullptr)).empty());

    (void)seo::ChooseAgent(requestHeaders);
    const std::optional<Text> requestCookies = withCookies ? std::optional<Text>(cookies) : std::nullopt;
    const Text headerText = seo::BuildHeaderText(url, requestHeaders, requestCookies);
    Check(headerText.compare(0, requestHeaders.size(), requestHeaders) == 0);
    // The entries carry the caller's non-empty lines in order (a line the transfer layer would
    // not send alone rides inside the entry before it, joined by CR LF), invent none, and leave
    // the credentials out when asked.
    const std::vector<std::string> entries = seo::CurlHeaderEntries(headerText, dropCredentials);
    Check(entries.size() >= kRemovals);
    std::vector<Text> wanted;
    const seo::TextArray lines = seo::Split(headerText, "\r\n");
    for (const Text& line : lines.Items())
        if (!line.empty()) wanted.push_back(line);
    std::size_t next = 0;
    for (std::size_t i = 0; i + kRemovals < entries.size(); ++i) {
        const seo::TextArray carried = seo::Split(entries[i], "\r\n");
        for (const Text& line : carried.Items()) {
            while (next < wanted.size() && wanted[next] != line) ++next;
            Check(next < wanted.size());
            ++next;
            if (dropCredentials) Check(!IsCredential(line));
        }
    }
    (void)seo::CurlProxyFor(seo::PlatformProxyString(url, proxy), seo::IsHttpsUrl(url));
    return 0;
}
