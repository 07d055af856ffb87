#pragma once
// Taking a URL apart by plain substring search at the markers "https://", "http://", "/", ":"
// and ".". Not a URL grammar: user information, a query without a path, IPv6 literals and
// other schemes give odd but defined results. Pure functions, safe from any thread.
#include <cstdint>
#include <optional>

#include "text/types.h"

namespace seo {

// The bytes strictly between the first `left` at or after `start` and the first `right` after
// it; empty when either is missing. "#引号" in a marker stands for a double quote.
Text TextBetween(const Text& text, const Text& left, const Text& right, int start = 1,
                 bool ignoreCase = false);

// The lower-cased host. `keepPort` keeps a ":port" suffix; `mainDomainOnly` keeps the last two
// labels, or with `domainLevels` N the last N + 1 labels (N + 2 without `mainDomainOnly`).
Text UrlHost(const Text& url, bool mainDomainOnly = false, bool keepPort = false,
             std::optional<std::int32_t> domainLevels = std::nullopt);

// The explicit port, else 443 when the URL starts with "https" (any case), else 80.
std::int32_t UrlPort(const Text& url);

// Everything from the first "/" at or after the host as written, or "/" when there is none.
Text UrlPath(const Text& url);

}  // namespace seo
