#include "signature.h"

#include "text_codec.h"

namespace seo::service {
namespace {

// kev占 hollow样本, 13 characters, 16 bytes in code page 936
constexpr std::string_view kSalt{"kev\xD5\xBC hollow\xD1\xF9\xB1\xBE", 16};

}  // namespace

std::string ExpectedSignature(std::string_view payload) {
    std::string data(kSalt);
    data.append(payload);
    return Md5Hex(data);
}

bool SignatureMatches(std::string_view payload, std::string_view signature) {
    return signature == ExpectedSignature(payload);
}

}  // namespace seo::service
