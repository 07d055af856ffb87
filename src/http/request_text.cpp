#include "http/request_text.h"

#include "http/url.h"
#include "http/web_request.h"
#include "text/text_ops.h"

namespace seo {
namespace {

const Text kCrLf = "\r\n";

// libcurl's own notion of white space when it judges a header entry.
bool IsCurlSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// libcurl sends an entry unchanged when its first colon has a name before it and something
// other than white space after it; anything else it treats as a removal, or drops.
bool CurlSendsUnchanged(const std::string& entry) {
    const std::size_t colon = entry.find(':');
    if (colon == std::string::npos || colon == 0) return false;
    for (std::size_t i = colon + 1; i < entry.size(); ++i) {
        if (!IsCurlSpace(entry[i])) return true;
    }
    return false;
}

bool StartsWithName(const std::string& line, const char* name) {
    return Find(LowerCase(Left(line, static_cast<std::int64_t>(std::char_traits<char>::length(name)))),
                name) == 1;
}

}  // namespace

int NormalizeMethod(int method) { return (method < 0 || method > 2) ? 0 : method; }

const char* VerbFor(int normalizedMethod) {
    switch (normalizedMethod) {
        case 1: return "POST";
        case 2: return "HEAD";
        default: return "GET";
    }
}

bool IsHttpsUrl(const Text& url) { return url.size() >= 8 && LowerCase(Left(url, 8)) == "https://"; }

Text TextAfterColon(const Text& text) {
    const int colon = Find(text, ":", 1, true);
    if (colon == -1) return Text();
    return Trim(Right(text, static_cast<std::int64_t>(text.size()) - colon));
}

Text ChooseAgent(const Text& requestHeaders) {
    if (Find(requestHeaders, "User-Agent:", 1, true) == -1) return kDefaultAgent;
    const Text agent = Trim(TextBetween(requestHeaders + kCrLf, "User-Agent:", kCrLf));
    return agent.empty() ? TextAfterColon(requestHeaders) : agent;
}

Text BuildHeaderText(const Text& url, const Text& requestHeaders,
                     const std::optional<Text>& requestCookies) {
    Text h = requestHeaders;
    if (h.empty()) {
        h = "Accept: */*";
    } else if (Find(h, "Accept:") == -1) {
        h += kCrLf + "Accept: */*";
    }
    if (Find(h, "Referer:") == -1) h += kCrLf + "Referer: " + url;
    if (Find(h, "Accept-Language:") == -1) h += kCrLf + "Accept-Language: zh-cn";
    if (Find(h, "Content-Type:") == -1) h += kCrLf + "Content-Type: application/x-www-form-urlencoded";
    if (requestCookies && !requestCookies->empty()) {
        h += Find(*requestCookies, "Cookie:") != -1 ? kCrLf + *requestCookies
                                                     : kCrLf + "Cookie: " + *requestCookies;
    }
    return h;
}

std::vector<std::string> CurlHeaderEntries(const Text& headerText, bool dropCredentials) {
    // A line libcurl would not send as it stands rides in the entry before it, joined by CR LF;
    // lines before the first such entry ride at the front of the first one.
    std::vector<std::string> entries;
    std::string leading;
    const TextArray lines = Split(headerText, kCrLf);
    for (const Text& line : lines.Items()) {
        if (line.empty()) continue;  // empty lines carry no header and must not end the section
        if (dropCredentials && (StartsWithName(line, "cookie:") || StartsWithName(line, "authorization:"))) {
            continue;
        }
        if (CurlSendsUnchanged(line)) {
            if (!leading.empty()) {
                std::string joined = leading + kCrLf + line;
                if (CurlSendsUnchanged(joined)) {
                    entries.push_back(std::move(joined));
                } else {
                    // Nothing can carry a line that starts with a colon ahead of every other.
                    entries.push_back(line);
                }
                leading.clear();
            } else {
                entries.push_back(line);
            }
        } else if (!entries.empty()) {
            entries.back() += kCrLf + line;
        } else {
            leading += leading.empty() ? line : kCrLf + line;
        }
    }
    // Removals: libcurl's own lines of these names stay out. A caller's line of the same name
    // comes earlier in the list and is still sent.
    for (const char* removal : {"Accept:", "Content-Type:", "Expect:", "Proxy-Connection:"}) {
        entries.emplace_back(removal);
    }
    return entries;
}

Text PlatformProxyString(const Text& url, const Text& proxy) {
    if (proxy.empty()) return Text();
    return IsHttpsUrl(url) ? proxy : "http=" + proxy;
}

Text CurlProxyFor(const Text& proxyString, bool https) {
    // A list of "scheme=address" and bare "address" entries, separated by spaces or ";".
    const Text scheme = https ? "https" : "http";
    Text specific;
    Text generic;
    const TextArray entries = Split(Replace(proxyString, ";", " ", 1, 0, true), " ");
    for (const Text& entry : entries.Items()) {
        if (entry.empty()) continue;
        const int equals = Find(entry, "=");
        const int schemeMark = Find(entry, "://");
        if (equals > 1 && (schemeMark == -1 || equals < schemeMark)) {
            if (specific.empty() && LowerCase(Left(entry, equals - 1)) == scheme) {
                specific = Right(entry, static_cast<std::int64_t>(entry.size()) - equals);
            }
        } else if (generic.empty()) {
            generic = entry;
        }
    }
    const Text address = specific.empty() ? generic : specific;
    if (address.empty()) return Text();
    return Find(address, "://") == -1 ? "http://" + address : address;
}

}  // namespace seo
