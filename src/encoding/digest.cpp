#include "encoding/digest.h"

#include <openssl/evp.h>

namespace seo {
namespace {

const EVP_MD* DigestFor(std::int32_t algorithmId) {
    switch (algorithmId) {
        case kAlgorithmMd5: return EVP_md5();
        case kAlgorithmSha1: return EVP_sha1();
        case kAlgorithmSha256: return EVP_sha256();
        case kAlgorithmSha384: return EVP_sha384();
        case kAlgorithmSha512: return EVP_sha512();
        default: return nullptr;
    }
}

Text ToHex(const unsigned char* digest, unsigned int length, bool upperCase) {
    const char* digits = upperCase ? "0123456789ABCDEF" : "0123456789abcdef";
    Text hex(2 * std::size_t{length}, '\0');
    for (unsigned int i = 0; i < length; ++i) {
        hex[2 * i] = digits[digest[i] >> 4];
        hex[2 * i + 1] = digits[digest[i] & 15];
    }
    return hex;
}

// One-shot digest; false when the library refuses (no provider, a failed step).
bool Digest(const EVP_MD* md, const void* data, std::size_t size, unsigned char* out, unsigned int* length) {
    // EVP_Digest wants a valid pointer even for no bytes.
    static const unsigned char kNothing = 0;
    return EVP_Digest(size == 0 ? &kNothing : data, size, out, length, md, nullptr) == 1;
}

}  // namespace

Text HashHex(const void* data, std::size_t size, std::int32_t algorithmId, std::int32_t digestLength) {
    const EVP_MD* md = DigestFor(algorithmId);
    if (md == nullptr || digestLength <= 0 || digestLength < EVP_MD_get_size(md)) return Text();
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!Digest(md, data, size, digest, &length)) return Text();
    return ToHex(digest, length, true);
}

Text HashHex(const Bytes& data, std::int32_t algorithmId, std::int32_t digestLength) {
    return HashHex(data.data(), data.size(), algorithmId, digestLength);
}

Text Md5Hex(const void* data, std::size_t size, bool upperCase, bool short16) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!Digest(EVP_md5(), data, size, digest, &length) || length != 16) return Text();
    // Digits 9 to 24 are the hex of digest bytes 4 to 11.
    return short16 ? ToHex(digest + 4, 8, upperCase) : ToHex(digest, 16, upperCase);
}

Text Md5Hex(const Bytes& data, bool upperCase, bool short16) {
    return Md5Hex(data.data(), data.size(), upperCase, short16);
}

}  // namespace seo
