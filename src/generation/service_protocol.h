#pragma once
// What crosses the wire to the rewriting service: the endpoint, the signed rewrite body,
// the multipart upload body and the service's line-break convention. Stateless; any thread.
#include "text/types.h"

namespace seo {

// "http://" + the configured service host + "/api.php"; both requests go there.
Text ServiceEndpoint();
// The same for another host (and port), such as a test's own server.
Text ServiceEndpointFor(const Text& host);

// Hashed in front of the payload to sign it: 16 bytes of code page 936.
Text SignatureSalt();

// The value of the rewrite request's `user` field: 9 bytes of code page 936, sent as they are.
Text AccountText();

// The multipart boundary (38 bytes); its delimiter lines carry two more hyphens in front.
Text Boundary();

// The extra header text sent with the upload, ending in two CR LF pairs (85 bytes).
Text UploadHeaderText();

// Every CR LF becomes backslash n; a lone CR or LF stays. Two-byte characters are stepped
// over whole, so their second byte is never taken for part of a line break.
Text FoldLineBreaks(const Text& text);

// Every backslash n (lower case only) becomes CR LF; any other backslash stays.
Text UnfoldLineBreaks(const Text& text);

// Base64 of the text's UTF-8 bytes; the empty text gives the empty payload.
Text EncodePayload(const Text& text);

// 32 lower-case hex digits of MD5 over the salt followed directly by the payload.
Text SignPayload(const Text& payload);

// "id=vip&user=" account "&str=" payload "&num=1&sign=" signature, nothing percent-encoded.
Text BuildRewriteBody(const Text& payload, const Text& signature);

// The multipart body carrying the field num=1 and the file's bytes, unchanged. The name
// (code page 936) is written between quotes without escaping.
Bytes BuildUploadBody(const Text& fileName, const Bytes& fileBytes);

}  // namespace seo
