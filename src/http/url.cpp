#include "http/url.h"

#include <algorithm>
#include <vector>

#include "text/text_ops.h"

namespace seo {
namespace {

// "#引号" in code page 936: a caller's way of writing a double quote inside a marker.
const Text kQuoteMarker = "#\xD2\xFD\xBA\xC5";  // #引号

Text HostWithoutLevels(const Text& url, bool mainDomainOnly) {
    Text v = LowerCase(url);
    if (Right(v, 1) != "/") v += "/";
    if (Left(v, 8) == "https://") {
        v = TextBetween(v, "https://", "/");
    } else {
        if (Find(v, "http://") == -1) v = "http://" + v;
        v = TextBetween(v, "http://", "/");
    }
    if (mainDomainOnly) {
        const TextArray labels = Split(v, ".");
        const int n = labels.Count();
        if (n > 1) v = labels.At(n - 1) + "." + labels.At(n);
    }
    return v;
}

Text HostWithLevels(const Text& url, bool mainDomainOnly, std::int32_t levels) {
    Text v = Replace(LowerCase(url), "http://", Text(), 1, 0, true);
    v = Replace(v, "https://", Text(), 1, 0, true);
    const int slash = Find(v, "/");
    if (slash != -1) v = Left(v, slash - 1);

    // Stepping left from dot to dot, as repeated reverse finds would, from one list of the
    // dots, so a long host costs one scan whatever the count.
    const auto length = static_cast<std::int64_t>(v.size());
    std::vector<int> dots;
    for (int at = Find(v, "."); at != -1; at = Find(v, ".", at + 1)) dots.push_back(at);
    // The dot before position `pos`, or -1.
    auto dotBefore = [&dots](int pos) {
        if (pos == -1) return -1;
        const auto it = std::lower_bound(dots.begin(), dots.end(), pos);
        return it == dots.begin() ? -1 : *(it - 1);
    };
    int pos = static_cast<int>(length);
    for (std::int32_t i = 0; i < levels && pos != -1; ++i) pos = dotBefore(pos);
    const int d = dotBefore(pos);

    if (mainDomainOnly) return Right(v, length - d);
    if (d != -1) {
        const int e = dotBefore(d);
        if (e != -1) v = Right(v, length - e);
    }
    return v;
}

}  // namespace

Text TextBetween(const Text& text, const Text& left, const Text& right, int start,
                 bool ignoreCase) {
    const Text l = Replace(left, kQuoteMarker, "\"", 1, 0, true);
    const Text r = Replace(right, kQuoteMarker, "\"", 1, 0, true);
    int p = Find(text, l, start, ignoreCase);
    if (p == -1) return Text();
    p += static_cast<int>(l.size());
    const int q = Find(text, r, p, ignoreCase);
    if (q == -1) return Text();
    return Mid(text, p, static_cast<std::int64_t>(q) - p);
}

Text UrlHost(const Text& url, bool mainDomainOnly, bool keepPort,
             std::optional<std::int32_t> domainLevels) {
    Text v = domainLevels ? HostWithLevels(url, mainDomainOnly, *domainLevels)
                          : HostWithoutLevels(url, mainDomainOnly);
    if (keepPort) return v;
    const int colon = Find(v, ":");
    return colon == -1 ? v : Left(v, colon - 1);
}

std::int32_t UrlPort(const Text& url) {
    const Text hostAndPort = UrlHost(url, false, true);
    if (Find(hostAndPort, ":") != -1) {
        const int last = ReverseFind(hostAndPort, ":");
        return ToInteger(Right(hostAndPort, static_cast<std::int64_t>(hostAndPort.size()) - last));
    }
    return LowerCase(Left(url, 5)) == "https" ? 443 : 80;
}

Text UrlPath(const Text& url) {
    const int a = Find(url, UrlHost(url), 1, true);
    const int b = Find(url, "/", a, true);
    if (b == -1) return "/";
    return Right(url, static_cast<std::int64_t>(url.size()) - b + 1);
}

}  // namespace seo
