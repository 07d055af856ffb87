#include "encoding/base64.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace seo {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Two output characters for every 12-bit value: three input bytes need two lookups.
constexpr std::array<char, 2 * 4096> MakePairTable() {
    std::array<char, 2 * 4096> table{};
    for (int v = 0; v < 4096; ++v) {
        table[2 * v] = kAlphabet[v >> 6];
        table[2 * v + 1] = kAlphabet[v & 63];
    }
    return table;
}
constexpr std::array<char, 2 * 4096> kPairs = MakePairTable();

inline void EncodeGroup(std::uint32_t group, char* out) {
    std::memcpy(out, &kPairs[2 * (group >> 12)], 2);
    std::memcpy(out + 2, &kPairs[2 * (group & 0xFFF)], 2);
}

}  // namespace

Text Base64Encode(const void* data, std::size_t size) {
    if (size == 0) return Text();
    const auto* in = static_cast<const unsigned char*>(data);
    Text out((size + 2) / 3 * 4, '\0');
    char* o = out.data();

    std::size_t i = 0;
    // Two groups per step from one 8-byte big-endian read while at least 8 bytes remain.
    for (; i + 8 <= size; i += 6, o += 8) {
        std::uint64_t word;
        std::memcpy(&word, in + i, 8);
        if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
        EncodeGroup(static_cast<std::uint32_t>(word >> 40) & 0xFFFFFF, o);
        EncodeGroup(static_cast<std::uint32_t>(word >> 16) & 0xFFFFFF, o + 4);
    }
    for (; i + 3 <= size; i += 3, o += 4) {
        EncodeGroup((std::uint32_t{in[i]} << 16) | (std::uint32_t{in[i + 1]} << 8) | in[i + 2], o);
    }
    const std::size_t rest = size - i;
    if (rest > 0) {
        // The missing bytes count as zero; their characters become padding.
        const std::uint32_t b1 = rest == 2 ? in[i + 1] : 0;
        EncodeGroup((std::uint32_t{in[i]} << 16) | (b1 << 8), o);
        o[3] = '=';
        if (rest == 1) o[2] = '=';
    }
    return out;
}

Text Base64Encode(const Bytes& data) { return Base64Encode(data.data(), data.size()); }

}  // namespace seo
