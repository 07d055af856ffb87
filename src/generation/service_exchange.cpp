#include "generation/service_exchange.h"

#include "encoding/code_page.h"
#include "generation/service_protocol.h"
#include "http/web_request.h"
#include "text/text_ops.h"

namespace seo {

void ReadServiceResponse(const Bytes& responseBytes, JsonDocument& document) {
    document.Parse(Utf8ToAnsi(BytesToText(responseBytes)));
}

Bytes RewriteExchange(const Text& endpoint, const Text& body) {
    return WebRequest(endpoint, 1, body);
}

Bytes UploadExchange(const Text& endpoint, const Bytes& body) {
    return WebRequest(endpoint, 1, Text(), std::nullopt, nullptr, UploadHeaderText(), nullptr, false, body);
}

}  // namespace seo
