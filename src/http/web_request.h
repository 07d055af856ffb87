#pragma once
// The one routine through which the program speaks HTTP: one request, the whole answer.
#include <cstdint>
#include <optional>

#include "text/types.h"

namespace seo {

// Sends one request and returns the whole response body, whatever its status. It blocks until
// the body has ended; it is safe from many threads at once; it never throws or prints.
//   method          0 GET, 1 POST, 2 HEAD; anything else is GET. GET never sends a body.
//   bodyText        sent when bodyBytes is empty (POST and HEAD).
//   requestCookies  not given: the process-wide cookie store is read and written. Given (even
//                   empty): the store is left alone, and a non-empty value goes out as a
//                   Cookie line.
//   responseCookies the name=value pair of every Set-Cookie line, joined by "; ".
//   requestHeaders  extra header lines separated by CR LF, sent byte for byte in order.
//   responseHeaders the final response's raw header block; 5000 spaces when nothing arrived
//                   or the block does not fit in 5000 bytes.
//   noRedirect      true: a redirect answer is returned like any other.
//   proxy           "host:port" (or the platform's list form); empty: direct.
// Both out-parameters keep the caller's values only when the request could not be set up at
// all. An empty result with 5000 spaces for headers means the request failed.
Bytes WebRequest(const Text& url, int method = 0, const Text& bodyText = Text(),
                 const std::optional<Text>& requestCookies = std::nullopt,
                 Text* responseCookies = nullptr, const Text& requestHeaders = Text(),
                 Text* responseHeaders = nullptr, bool noRedirect = false,
                 const Bytes& bodyBytes = Bytes(), const Text& proxy = Text());

// The text after the first ":", trimmed; empty when there is no colon.
Text TextAfterColon(const Text& text);

}  // namespace seo
