#pragma once
// Sends the two requests to the service and reads its answers into a document.
#include "json/json_document.h"
#include "text/types.h"

namespace seo {

// The bytes up to the first NUL, converted from UTF-8, parsed into the document.
// Whatever fails shows up later as empty members.
void ReadServiceResponse(const Bytes& responseBytes, JsonDocument& document);

// One rewrite request: the signed form body posted to the endpoint.
Bytes RewriteExchange(const Text& endpoint, const Text& body);

// One file upload: the multipart body posted with its own header text.
Bytes UploadExchange(const Text& endpoint, const Bytes& body);

}  // namespace seo
