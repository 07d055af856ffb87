#pragma once
// Message digests as hexadecimal text.
#include <cstddef>
#include <cstdint>

#include "text/types.h"

namespace seo {

// Well-known algorithm identifiers that HashHex understands.
inline constexpr std::int32_t kAlgorithmMd5 = 0x8003;
inline constexpr std::int32_t kAlgorithmSha1 = 0x8004;
inline constexpr std::int32_t kAlgorithmSha256 = 0x800C;
inline constexpr std::int32_t kAlgorithmSha384 = 0x800D;
inline constexpr std::int32_t kAlgorithmSha512 = 0x800E;

// Upper-case hex of the digest. Empty when the algorithm is unknown or digestLength is
// smaller than the algorithm's digest (it is room for the digest, not a truncation).
Text HashHex(const Bytes& data, std::int32_t algorithmId, std::int32_t digestLength);
Text HashHex(const void* data, std::size_t size, std::int32_t algorithmId, std::int32_t digestLength);

// 32 hex digits of MD5, lower case unless upperCase; short16 keeps digits 9 to 24.
// Empty only when the digest library fails.
Text Md5Hex(const Bytes& data, bool upperCase = false, bool short16 = false);
Text Md5Hex(const void* data, std::size_t size, bool upperCase = false, bool short16 = false);

}  // namespace seo
