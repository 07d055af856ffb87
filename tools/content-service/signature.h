// The signature that guards the rewrite request.
#pragma once

#include <string>
#include <string_view>

namespace seo::service {

// Lower-case MD5 hex over the salt's code page 936 bytes followed by the payload as sent.
std::string ExpectedSignature(std::string_view payload);

// Exact comparison: upper-case digits or a digest of anything else are refused.
bool SignatureMatches(std::string_view payload, std::string_view signature);

}  // namespace seo::service
