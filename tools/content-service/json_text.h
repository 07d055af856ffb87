// Writing JSON text for the service's answers and its request log.
#pragma once

#include <string>
#include <string_view>

namespace seo::service {

// A JSON string literal of valid UTF-8 text. A backslash is escaped like any
// other, so the text's backslash-n pairs come out as \\n, distinct from \n.
std::string JsonString(std::string_view utf8);

// A JSON string literal holding arbitrary bytes: every byte outside printable
// ASCII is written \u00XX, so each code point of the parsed string is one byte.
std::string JsonByteString(std::string_view bytes);

// {"str": ..., "ck": ...}
std::string RewriteAnswer(std::string_view strUtf8, std::string_view ckUtf8);

// {"error": code, "message": ...}
std::string ErrorAnswer(std::string_view code, std::string_view messageUtf8);

}  // namespace seo::service
