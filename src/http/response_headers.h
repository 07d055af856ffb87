#pragma once
// What the caller sees of the response headers and cookies.
#include <cstddef>

#include "text/types.h"

namespace seo {

// The header block must fit this buffer together with a terminating NUL.
inline constexpr std::size_t kResponseHeaderBuffer = 5000;

// The out-value for the headers: `block` (status line and header lines, each with CR LF, then
// one more CR LF), or 5000 spaces when there is no block or it does not fit; then every
// letter-case variant of "Set-Cookie" is written "Set-Cookie".
Text FinishResponseHeaders(const Text* block);

// The name=value pair of every Set-Cookie line, joined by "; ".
Text CollectResponseCookies(const Text& responseHeaders);

}  // namespace seo
