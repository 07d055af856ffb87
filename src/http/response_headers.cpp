#include "http/response_headers.h"

#include "http/url.h"
#include "text/text_ops.h"

namespace seo {

Text FinishResponseHeaders(const Text* block) {
    Text headers = (block && block->size() < kResponseHeaderBuffer)
                       ? *block
                       : Text(kResponseHeaderBuffer, ' ');
    return Replace(headers, "Set-Cookie", "Set-Cookie", 1, 0, false);
}

Text CollectResponseCookies(const Text& responseHeaders) {
    Text cookies;
    const TextArray lines = Split(responseHeaders, "\r\n");
    for (const Text& line : lines.Items()) {
        if (Find(line, "Set-Cookie") == -1) continue;
        const Text value = Find(line, ";") != -1
                               ? TextBetween(line, "Set-Cookie:", ";")
                               : Replace(line, "Set-Cookie:", Text(), 1, 0, false);
        cookies += Trim(value);
        cookies += "; ";
    }
    return Left(cookies, static_cast<std::int64_t>(cookies.size()) - 2);
}

}  // namespace seo
